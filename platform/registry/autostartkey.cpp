#include "autostartkey.h"

#include "envexpand.h"
#include "hivekey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

using namespace winreg;

namespace {

const QString kSuffix = QStringLiteral(".desktop");
constexpr qint64 kMaxEntryBytes = 1024 * 1024;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Characters that make the desktop's Exec parser need the argument in double quotes.
bool needsQuotes(const QString& arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (arg.isEmpty())
        return true;
    return std::any_of(arg.begin(), arg.end(), [](QChar c) { return reserved.contains(c); });
}

QString quoteArgument(const QString& arg)
{
    QString out;
    if (!needsQuotes(arg)) {
        out = arg;
    } else {
        out = QStringLiteral("\"");
        for (QChar c : arg) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                out += QLatin1Char('\\');
            out += c;
        }
        out += QLatin1Char('"');
    }
    // A lone % would start a field code.
    out.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return out;
}

QStringList splitArguments(const QString& text)
{
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    current += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += c;
            }
        } else if (isBlank(c)) {
            if (inArg)
                args += current;
            current.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArg = true;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args += current;
    return args;
}

bool namesFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isAbsolute() && info.isFile();
}

struct EntryKeys
{
    QString exec;
    QString stashboxType;
    QString stashboxData;
    bool hasExec = false;
};

EntryKeys readEntryKeys(const QString& path)
{
    EntryKeys keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return keys;
    const QString text = QString::fromUtf8(file.readAll().left(kMaxEntryBytes));
    bool inMainGroup = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || eq < 0)
            continue;
        const QStringView key = line.first(eq).trimmed();
        const QString value = AutostartKey::unescapeString(line.sliced(eq + 1).trimmed().toString());
        if (key == QLatin1String("Exec")) {
            keys.exec = value;
            keys.hasExec = true;
        } else if (key == QLatin1String("X-Stashbox-Type")) {
            keys.stashboxType = value;
        } else if (key == QLatin1String("X-Stashbox-Data")) {
            keys.stashboxData = value;
        }
    }
    return keys;
}

bool decodeStrictHex(const QString& hex, QByteArray* out)
{
    if (hex.size() % 2 != 0 || hex.size() > 2 * kMaxEntryBytes)
        return false;
    for (QChar c : hex) {
        const char16_t u = c.unicode();
        const bool digit = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!digit)
            return false;
    }
    *out = QByteArray::fromHex(hex.toLatin1());
    return true;
}

// The text of a string value as the program sees it: up to the first NUL, strict UTF-8.
bool valueText(const QByteArray& data, QString* text)
{
    const qsizetype nul = data.indexOf('\0');
    const QByteArray bytes = nul < 0 ? data : data.first(nul);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

AutostartKey::AutostartKey(QString folder)
    : m_folder(std::move(folder))
{
}

bool AutostartKey::isUsableName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QChar(0)))
        return false;
    return (name + kSuffix).toUtf8().size() <= 255;
}

QString AutostartKey::escapeString(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

QString AutostartKey::unescapeString(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        if (n == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (n == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (n == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + QString(n);
    }
    return out;
}

bool AutostartKey::splitCommandLine(const QString& commandLine, QString* program, QStringList* arguments)
{
    qsizetype start = 0;
    while (start < commandLine.size() && isBlank(commandLine[start]))
        ++start;
    const QString text = commandLine.sliced(start);
    QString prog;
    QString rest;
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        prog = close < 0 ? text.sliced(1) : text.sliced(1, close - 1);
        rest = close < 0 ? QString() : text.sliced(close + 1);
    } else {
        QString trimmed = text;
        while (!trimmed.isEmpty() && isBlank(trimmed.back()))
            trimmed.chop(1);
        // Candidate ends: the whole text, then every blank from the right.
        qsizetype end = -1;
        if (namesFile(trimmed)) {
            end = trimmed.size();
        } else {
            for (qsizetype i = trimmed.size() - 1; i > 0; --i) {
                if (isBlank(trimmed[i]) && !isBlank(trimmed[i - 1]) && namesFile(trimmed.first(i))) {
                    end = i;
                    break;
                }
            }
        }
        if (end < 0) {
            if (trimmed.startsWith(QLatin1Char('/'))) {
                end = trimmed.size();
                for (qsizetype i = 0; i + 1 < trimmed.size(); ++i) {
                    if (isBlank(trimmed[i]) && trimmed[i + 1] == QLatin1Char('-')) {
                        end = i;
                        break;
                    }
                }
            } else {
                end = 0;
                while (end < trimmed.size() && !isBlank(trimmed[end]))
                    ++end;
            }
        }
        prog = trimmed.first(end);
        while (!prog.isEmpty() && isBlank(prog.back()))
            prog.chop(1);
        rest = trimmed.sliced(end);
    }
    if (prog.isEmpty())
        return false;
    *program = prog;
    *arguments = splitArguments(rest);
    return true;
}

QString AutostartKey::execValue(const QString& program, const QStringList& arguments)
{
    QStringList parts{quoteArgument(program)};
    for (const QString& arg : arguments)
        parts += quoteArgument(arg);
    return parts.join(QLatin1Char(' '));
}

QByteArray AutostartKey::desktopEntry(const QString& name, quint32 type, const QByteArray& data)
{
    QString text;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || !isUsableName(name) || !valueText(data, &text))
        return {};
    if (type == REG_EXPAND_SZ)
        text = expandedEnvironmentStrings(text);
    QString program;
    QStringList arguments;
    if (!splitCommandLine(text, &program, &arguments))
        return {};
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\n");
    entry += QStringLiteral("Name=") + escapeString(name) + QLatin1Char('\n');
    entry += QStringLiteral("Exec=") + escapeString(execValue(program, arguments)) + QLatin1Char('\n');
    // A program that is gone (its package removed, its build folder deleted) is not started.
    if (QDir::isAbsolutePath(program))
        entry += QStringLiteral("TryExec=") + escapeString(program) + QLatin1Char('\n');
    entry += QStringLiteral("Terminal=false\n");
    entry += QStringLiteral("X-Stashbox-Type=") + QString::number(type) + QLatin1Char('\n');
    entry += QStringLiteral("X-Stashbox-Data=") + QString::fromLatin1(data.toHex()) + QLatin1Char('\n');
    return entry.toUtf8();
}

QStringList AutostartKey::names() const
{
    const QDir dir(m_folder);
    const QStringList files = dir.entryList(QStringList{QLatin1Char('*') + kSuffix},
                                            QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::Name);
    QStringList result;
    for (const QString& file : files) {
        const QString name = file.chopped(kSuffix.size());
        if (isUsableName(name))
            result += name;
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const QString& a, const QString& b) { return HiveKey::compareNames(a, b) < 0; });
    return result;
}

QString AutostartKey::existingFile(const QString& name) const
{
    if (!isUsableName(name))
        return {};
    const QString exact = m_folder + QLatin1Char('/') + name + kSuffix;
    if (QFileInfo(exact).isFile())
        return exact;
    for (const QString& candidate : names()) {
        if (HiveKey::sameName(candidate, name))
            return m_folder + QLatin1Char('/') + candidate + kSuffix;
    }
    return {};
}

bool AutostartKey::read(const QString& name, quint32* type, QByteArray* data) const
{
    const QString path = existingFile(name);
    if (path.isEmpty())
        return false;
    const EntryKeys keys = readEntryKeys(path);
    QByteArray stored;
    if ((keys.stashboxType == QLatin1String("1") || keys.stashboxType == QLatin1String("2"))
        && decodeStrictHex(keys.stashboxData, &stored)) {
        *type = keys.stashboxType.toUInt();
        *data = stored;
    } else {
        *type = REG_SZ;
        *data = keys.exec.toUtf8() + '\0';
    }
    return true;
}

LONG AutostartKey::write(const QString& name, quint32 type, const QByteArray& data) const
{
    if (data.size() > kMaxEntryBytes / 4)
        return ERROR_INVALID_PARAMETER;
    const QByteArray entry = desktopEntry(name, type, data);
    if (entry.isEmpty())
        return ERROR_INVALID_PARAMETER;
    if (!QDir().mkpath(m_folder))
        return ERROR_CANTWRITE;
    QString path = existingFile(name);
    if (path.isEmpty())
        path = m_folder + QLatin1Char('/') + name + kSuffix;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ERROR_ACCESS_DENIED;
    if (file.write(entry) != entry.size() || !file.commit()) {
        file.cancelWriting();
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

LONG AutostartKey::remove(const QString& name) const
{
    const QString path = existingFile(name);
    if (path.isEmpty())
        return ERROR_FILE_NOT_FOUND;
    return QFile::remove(path) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}
