#include "profilefile.h"

#include "plainfile.h"

#include <QFile>
#include <QList>
#include <optional>
#include <unistd.h>

namespace {
QList<QByteArray> splitLines(const QByteArray& contents)
{
    QList<QByteArray> lines = contents.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray chopCr(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The section name of a "[name]" line; nothing for any other line.
std::optional<QByteArray> sectionOf(const QByteArray& rawLine)
{
    const QByteArray line = chopCr(rawLine).trimmed();
    const qsizetype end = line.indexOf(']');
    if (!line.startsWith('[') || end < 0)
        return std::nullopt;
    return line.mid(1, end - 1).trimmed();
}

bool sameName(const QByteArray& a, const QString& b)
{
    return QString::fromUtf8(a).compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// Index of the "key=" line of `key` within the section starting after line `from`, or -1.
qsizetype findKey(const QList<QByteArray>& lines, qsizetype from, const QString& key, qsizetype* sectionEnd)
{
    qsizetype i = from;
    for (; i < lines.size(); ++i) {
        if (sectionOf(lines[i]))
            break;
        const QByteArray line = chopCr(lines[i]);
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && sameName(line.left(eq).trimmed(), key))
            return i;
    }
    *sectionEnd = i;
    return -1;
}

qsizetype findSection(const QList<QByteArray>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QByteArray> name = sectionOf(lines[i]);
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}
} // namespace

QString ProfileFile::read(const QString& path, const QString& section, const QString& key, const QString& fallback,
                          int bufferSize)
{
    QByteArray contents;
    if (PlainFile::read(path, MaxFileBytes, &contents) != PlainFile::Status::Ok)
        return fallback.left(qMax(0, bufferSize - 1));
    return valueIn(contents, section, key, fallback, bufferSize);
}

QString ProfileFile::valueIn(const QByteArray& contents, const QString& section, const QString& key,
                             const QString& fallback, int bufferSize)
{
    const int max = qMax(0, bufferSize - 1);
    const QList<QByteArray> lines = splitLines(contents);
    const qsizetype s = findSection(lines, section);
    qsizetype end = 0;
    const qsizetype k = s < 0 ? -1 : findKey(lines, s + 1, key, &end);
    if (k < 0)
        return fallback.left(max);
    const QByteArray line = chopCr(lines[k]);
    QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return QString::fromUtf8(value).left(max);
}

QByteArray ProfileFile::withValue(const QByteArray& contents, const QString& section, const QString& key,
                                  const QString& value)
{
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || key.contains(QLatin1Char('='))
        || section.contains(QLatin1Char('\n')) || key.contains(QLatin1Char('\n')))
        return {};
    QString clean = value;
    clean.remove(QChar(0));
    clean = clean.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\r'), 0, 0);

    QList<QByteArray> lines = splitLines(contents);
    const QByteArray entry = key.trimmed().toUtf8() + '=' + clean.toUtf8();
    const qsizetype s = findSection(lines, section);
    if (s < 0) {
        lines.append('[' + section.trimmed().toUtf8() + ']');
        lines.append(entry);
    } else {
        qsizetype end = 0;
        const qsizetype k = findKey(lines, s + 1, key, &end);
        if (k >= 0) {
            lines[k] = lines[k].endsWith('\r') ? entry + '\r' : entry;
        } else {
            // After the section's last non-blank line.
            while (end > s + 1 && chopCr(lines[end - 1]).trimmed().isEmpty())
                --end;
            lines.insert(end, entry);
        }
    }
    QByteArray out;
    for (const QByteArray& line : std::as_const(lines))
        out += line + '\n';
    return out;
}

bool ProfileFile::write(const QString& path, const QString& section, const QString& key, const QString& value)
{
    QByteArray contents;
    const PlainFile::Status status = PlainFile::read(path, MaxFileBytes, &contents);
    // There but unreadable: never replace what we could not read.
    if (status != PlainFile::Status::Ok && status != PlainFile::Status::Missing)
        return false;
    // A file its owner made read-only stays as it is.
    if (status == PlainFile::Status::Ok && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return false;
    const QByteArray out = withValue(contents, section, key, value);
    if (out.isEmpty())
        return false;
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (status == PlainFile::Status::Ok)
        permissions = QFile::permissions(path);
    return PlainFile::replace(path, out, permissions);
}
