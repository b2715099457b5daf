#include "formdata.h"

#include "hivefile.h"
#include "plainfile.h"

#include <QSaveFile>

namespace {

constexpr QByteArrayView kMagic = "STASHBOX-FORM ";
constexpr QByteArrayView kControl = "CONTROL ";
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

} // namespace

FormData::Control* FormData::find(const QString& name)
{
    for (Control& c : m_controls) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

PropertyBag FormData::bag(const QString& controlName) const
{
    for (const Control& c : m_controls) {
        if (c.name.compare(controlName, Qt::CaseInsensitive) == 0)
            return c.bag;
    }
    return {};
}

void FormData::setControl(const QString& name, const QString& progId, const PropertyBag& bag)
{
    if (Control* c = find(name)) {
        c->progId = progId;
        c->bag = bag;
    } else {
        m_controls.push_back({name, progId, bag});
    }
}

QByteArray FormData::toText() const
{
    QByteArray out = kMagic.toByteArray() + QByteArray::number(kFormatVersion) + '\n';
    for (const Control& c : m_controls) {
        out += kControl.toByteArray() + HiveFile::encodeName(c.name) + ' ' + HiveFile::encodeName(c.progId) + '\n';
        c.bag.appendEntries(out);
    }
    return out;
}

FormData FormData::fromText(const QByteArray& text)
{
    FormData form;
    QList<QByteArray> lines = text.split('\n');
    if (text.size() > kMaxFileBytes || lines.size() < 2 || !lines.last().isEmpty()
        || lines.first() != kMagic.toByteArray() + QByteArray::number(kFormatVersion)) {
        form.m_problems.append(QStringLiteral("not form data of version %1").arg(kFormatVersion));
        return form;
    }
    lines.removeLast();
    qsizetype next = 1;
    while (next < lines.size()) {
        const QList<QByteArray> head = lines[next].split(' ');
        QString name;
        QString progId;
        if (head.size() != 3 || head[0] + ' ' != kControl || !HiveFile::decodeName(QByteArrayView(head[1]), &name)
            || name.isEmpty() || !HiveFile::decodeName(QByteArrayView(head[2]), &progId)) {
            form.m_problems.append(QStringLiteral("line %1: not a control").arg(next + 1));
            ++next;
            continue;
        }
        ++next;
        PropertyBag bag;
        QString why;
        if (!PropertyBag::parseEntries(lines, &next, &bag, &why)) {
            form.m_problems.append(QStringLiteral("%1: %2").arg(name, why));
            bag = PropertyBag();
            // Resume at the next control's section.
            while (next < lines.size() && !lines[next].startsWith(kControl))
                ++next;
        }
        if (form.find(name))
            form.m_problems.append(QStringLiteral("%1: the control is given twice; the first is kept").arg(name));
        else
            form.m_controls.push_back({name, progId, bag});
    }
    return form;
}

FormData FormData::load(const QString& path)
{
    // Read as any file we did not write in this run: only a plain file of sane size, and never in
    // a way that could block (a FIFO) or never end (a device).
    QByteArray text;
    FormData form;
    switch (PlainFile::read(path, kMaxFileBytes, &text)) {
    case PlainFile::Status::Ok: return fromText(text);
    case PlainFile::Status::Missing: return form;
    case PlainFile::Status::NotAFile: form.m_problems.append(QStringLiteral("not a plain file")); break;
    case PlainFile::Status::TooLarge: form.m_problems.append(QStringLiteral("larger than 64 MiB")); break;
    case PlainFile::Status::Failed: form.m_problems.append(QStringLiteral("cannot be read")); break;
    }
    return form;
}

bool FormData::save(const QString& path, QString* why) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toText()) < 0 || !file.commit()) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}
