#include "propertybag.h"

#include "hivefile.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QList>

namespace {

constexpr QByteArrayView kMagic = "STASHBOX-BAG ";
// Far above any control's properties; keeps a hostile file from costing more than it should.
constexpr qsizetype kMaxTextBytes = 64 * 1024 * 1024;

int tagOf(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::LongLong: return 'I';
    case QMetaType::Bool: return 'B';
    case QMetaType::QString: return 'S';
    case QMetaType::QFont: return 'F';
    case QMetaType::QImage: return 'P';
    default: return v.metaType() == QMetaType::fromType<OleColor>() ? 'C' : 0;
    }
}

QByteArray encodeValue(const QVariant& v)
{
    switch (tagOf(v)) {
    case 'I': return QByteArray::number(v.toLongLong());
    case 'B': return v.toBool() ? "1" : "0";
    case 'S': return HiveFile::encodeName(v.toString());
    case 'F': return HiveFile::encodeName(v.value<QFont>().toString());
    case 'C': return QByteArray::number(v.value<OleColor>().value, 16).rightJustified(8, '0').toUpper();
    case 'P': {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        v.value<QImage>().save(&buffer, "PNG");
        return png.toHex();
    }
    }
    return {};
}

bool isDecimal(QByteArrayView t)
{
    const QByteArrayView digits = t.startsWith('-') ? t.sliced(1) : t;
    if (digits.isEmpty() || digits.size() > 19)
        return false;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool isHex(QByteArrayView t)
{
    for (char c : t) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

bool decodeValue(char tag, QByteArrayView t, QVariant* out)
{
    QString text;
    switch (tag) {
    case 'I': {
        bool ok = false;
        const qlonglong n = isDecimal(t) ? t.toLongLong(&ok) : 0;
        *out = QVariant(n);
        return ok;
    }
    case 'B': *out = QVariant(t == "1"); return t == "1" || t == "0";
    case 'S':
        if (!HiveFile::decodeName(t, &text))
            return false;
        *out = QVariant(text);
        return true;
    case 'F': {
        QFont font;
        if (!HiveFile::decodeName(t, &text) || text.isEmpty() || !font.fromString(text))
            return false;
        *out = QVariant(font);
        return true;
    }
    case 'C': {
        bool ok = false;
        const uint value = t.size() == 8 && isHex(t) ? t.toUInt(&ok, 16) : 0;
        *out = QVariant::fromValue(OleColor{value});
        return ok;
    }
    case 'P': {
        if (t.isEmpty() || t.size() % 2 != 0 || !isHex(t))
            return false;
        const QImage image = QImage::fromData(QByteArray::fromHex(t.toByteArray()), "PNG");
        *out = QVariant(image);
        return !image.isNull();
    }
    }
    return false;
}

// Two values are the same when their text forms are: this compares pictures by their pixels and
// fonts by their description, and never depends on a type having an equality operator.
bool sameValue(const QVariant& a, const QVariant& b)
{
    return tagOf(a) == tagOf(b) && encodeValue(a) == encodeValue(b);
}

} // namespace

qsizetype PropertyBag::find(const QString& name) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return qsizetype(i);
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    const qsizetype i = find(name);
    if (i < 0)
        return defaultValue;
    QVariant value = m_entries[size_t(i)].value;
    if (!defaultValue.isValid() || value.metaType() == defaultValue.metaType())
        return value;
    return value.convert(defaultValue.metaType()) ? value : defaultValue;
}

bool PropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    const int tag = tagOf(value);
    if (name.isEmpty() || tag == 0)
        return false;
    const qsizetype i = find(name);
    const bool isDefault = (tag == 'P' && value.value<QImage>().isNull())
        || (defaultValue.isValid() && (sameValue(value, defaultValue) || value == defaultValue));
    if (isDefault) {
        if (i >= 0)
            m_entries.erase(m_entries.begin() + i);
        return true;
    }
    // Integers are kept as 64-bit so that the text form reads back to the same type.
    const QVariant stored = tag == 'I' ? QVariant(value.toLongLong()) : value;
    if (i >= 0)
        m_entries[size_t(i)].value = stored;
    else
        m_entries.push_back({name, stored});
    return true;
}

QStringList PropertyBag::names() const
{
    QStringList out;
    for (const Entry& e : m_entries)
        out.append(e.name);
    return out;
}

bool PropertyBag::operator==(const PropertyBag& other) const
{
    if (m_entries.size() != other.m_entries.size())
        return false;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].name != other.m_entries[i].name || !sameValue(m_entries[i].value, other.m_entries[i].value))
            return false;
    }
    return true;
}

void PropertyBag::appendEntries(QByteArray& out) const
{
    for (const Entry& e : m_entries) {
        out += char(tagOf(e.value));
        out += ' ' + HiveFile::encodeName(e.name) + " =" + encodeValue(e.value) + '\n';
    }
    out += "END " + QByteArray::number(qsizetype(m_entries.size())) + '\n';
}

QByteArray PropertyBag::toText() const
{
    QByteArray out = kMagic.toByteArray() + QByteArray::number(kFormatVersion) + '\n';
    appendEntries(out);
    return out;
}

bool PropertyBag::parseEntries(const QList<QByteArray>& lines, qsizetype* next, PropertyBag* bag, QString* why)
{
    auto fail = [&](const QString& reason) {
        if (why)
            *why = QStringLiteral("line %1: %2").arg(*next + 1).arg(reason);
        return false;
    };
    for (; *next < lines.size(); ++*next) {
        const QByteArray& line = lines[*next];
        if (line.startsWith("END ")) {
            const QByteArrayView count = QByteArrayView(line).sliced(4);
            if (!isDecimal(count) || count.startsWith('-') || count.toLongLong() != bag->size())
                return fail(QStringLiteral("the entry count does not match"));
            ++*next;
            return true;
        }
        const QList<QByteArray> fields = line.split(' ');
        QString name;
        QVariant value;
        if (fields.size() != 3 || fields[0].size() != 1 || !fields[2].startsWith('='))
            return fail(QStringLiteral("not an entry"));
        if (!HiveFile::decodeName(QByteArrayView(fields[1]), &name) || name.isEmpty())
            return fail(QStringLiteral("bad property name"));
        if (bag->contains(name))
            return fail(QStringLiteral("the property %1 is given twice").arg(name));
        if (!decodeValue(fields[0][0], QByteArrayView(fields[2]).sliced(1), &value))
            return fail(QStringLiteral("bad value of %1").arg(name));
        bag->m_entries.push_back({name, value});
    }
    return fail(QStringLiteral("the END line is missing"));
}

PropertyBag PropertyBag::fromText(const QByteArray& text, QString* why)
{
    if (text.size() > kMaxTextBytes) {
        if (why)
            *why = QStringLiteral("the text is too large");
        return {};
    }
    QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 2 || !lines.last().isEmpty()
        || lines.first() != kMagic.toByteArray() + QByteArray::number(kFormatVersion)) {
        if (why)
            *why = QStringLiteral("not a property bag of version %1").arg(kFormatVersion);
        return {};
    }
    lines.removeLast();
    PropertyBag bag;
    qsizetype next = 1;
    if (!parseEntries(lines, &next, &bag, why))
        return {};
    if (next != lines.size()) {
        if (why)
            *why = QStringLiteral("text after the END line");
        return {};
    }
    return bag;
}
