#include "hivefile.h"

#include "plainfile.h"
#include "registrytypes.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

#include <vector>

namespace {

constexpr QByteArrayView kMagic = "STASHBOX-HIVE ";

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Canonical decimal only: no sign, no leading zeros, nothing above `max`.
bool parseDecimal(QByteArrayView t, quint64 max, quint64* out)
{
    if (t.isEmpty() || t.size() > 20 || (t.size() > 1 && t[0] == '0'))
        return false;
    quint64 v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
        const quint64 d = quint64(c - '0');
        if (v > (max - d) / 10)
            return false;
        v = v * 10 + d;
    }
    *out = v;
    return true;
}

bool parseHexData(QByteArrayView t, qint64 size, QByteArray* out)
{
    if (size == 0) {
        out->clear();
        return t == "-";
    }
    if (t.size() != size * 2)
        return false;
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) {
        const int hi = hexDigit(t[2 * i]);
        const int lo = hexDigit(t[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        data[i] = char(hi * 16 + lo);
    }
    *out = std::move(data);
    return true;
}

std::vector<QByteArrayView> splitBlanks(QByteArrayView line)
{
    std::vector<QByteArrayView> tokens;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ' ') {
            tokens.push_back(line.sliced(start, i - start));
            start = i + 1;
        }
    }
    return tokens;
}

HiveFile::Status damaged(QString* why, const QString& reason, int lineNo)
{
    if (why)
        *why = lineNo > 0 ? QStringLiteral("line %1: %2").arg(lineNo).arg(reason) : reason;
    return HiveFile::Status::Damaged;
}

void writeKey(QByteArray& out, const HiveKey& key, const QByteArray& encodedPath, int& keys, int& values)
{
    out += 'K';
    out += encodedPath;
    out += '\n';
    ++keys;
    if (key.deniedAccess() != 0) {
        out += "A ";
        out += QByteArray::number(key.deniedAccess(), 16);
        out += '\n';
    }
    for (const HiveValue& v : key.values()) {
        out += "V ";
        out += QByteArray::number(v.type);
        out += ' ';
        out += QByteArray::number(v.data.size());
        out += " =";
        out += HiveFile::encodeName(v.name);
        out += ' ';
        out += v.data.isEmpty() ? QByteArray("-") : v.data.toHex();
        out += '\n';
        ++values;
    }
    for (const auto& sub : key.subkeys())
        writeKey(out, *sub, encodedPath + ' ' + HiveFile::encodeName(sub->name()), keys, values);
}

} // namespace

HiveFile::HiveFile(QString path)
    : m_path(std::move(path))
{
}

QByteArray HiveFile::encodeName(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : utf8) {
        if (isUnreserved(c)) {
            out += c;
        } else {
            const auto u = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

bool HiveFile::decodeName(QByteArrayView token, QString* name)
{
    QByteArray bytes;
    bytes.reserve(token.size());
    for (qsizetype i = 0; i < token.size(); ++i) {
        const char c = token[i];
        if (c == '%') {
            if (i + 2 >= token.size())
                return false;
            const int hi = hexDigit(token[i + 1]);
            const int lo = hexDigit(token[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            bytes += char(hi * 16 + lo);
            i += 2;
        } else if (isUnreserved(c)) {
            bytes += c;
        } else {
            return false;
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    *name = std::move(decoded);
    return true;
}

HiveFile::Status HiveFile::parse(const QByteArray& bytes, HiveKey& root, QString* why)
{
    using namespace winreg;
    if (bytes.size() > kMaxHiveBytes)
        return damaged(why, QStringLiteral("larger than %1 bytes").arg(kMaxHiveBytes), 0);
    if (bytes.isEmpty())
        return damaged(why, QStringLiteral("empty file"), 0);
    if (!bytes.endsWith('\n'))
        return damaged(why, QStringLiteral("cut short (no line end at the end)"), 0);

    const QByteArrayView all(bytes);
    qsizetype pos = 0;
    int lineNo = 0;
    auto nextLine = [&](QByteArrayView* line) {
        if (pos >= all.size())
            return false;
        const qsizetype end = all.indexOf('\n', pos);
        *line = all.sliced(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        return true;
    };

    QByteArrayView line;
    nextLine(&line);
    if (!line.startsWith(kMagic))
        return damaged(why, QStringLiteral("not a hive file"), lineNo);
    quint64 version = 0;
    if (!parseDecimal(line.sliced(kMagic.size()), 999999, &version) || version == 0)
        return damaged(why, QStringLiteral("bad format version"), lineNo);
    if (version > quint64(kFormatVersion)) {
        if (why)
            *why = QStringLiteral("written in format version %1; this program reads version %2")
                       .arg(version)
                       .arg(kFormatVersion);
        return Status::Unsupported;
    }
    if (!nextLine(&line) || line != "K")
        return damaged(why, QStringLiteral("the root key must follow the first line"), lineNo);

    // The keys from the root down to the one declared last: the only places a new key may go.
    std::vector<HiveKey*> stack{&root};
    HiveKey* current = &root;
    bool accessLineAllowed = true;
    QSet<QString> valueNames;
    quint64 keyCount = 1;
    quint64 valueCount = 0;
    bool ended = false;

    while (nextLine(&line)) {
        if (ended)
            return damaged(why, QStringLiteral("text after the END line"), lineNo);
        const std::vector<QByteArrayView> t = splitBlanks(line);
        if (t[0] == "K") {
            const qsizetype depth = qsizetype(t.size()) - 1;
            if (depth < 1)
                return damaged(why, QStringLiteral("a second root key"), lineNo);
            if (depth > kMaxKeyDepth)
                return damaged(why, QStringLiteral("key path deeper than %1").arg(kMaxKeyDepth), lineNo);
            if (qsizetype(stack.size()) < depth)
                return damaged(why, QStringLiteral("key declared before its parent"), lineNo);
            QString name;
            for (qsizetype i = 1; i <= depth; ++i) {
                if (!decodeName(t[i], &name) || name.isEmpty() || name.size() > kMaxKeyNameLength)
                    return damaged(why, QStringLiteral("bad key name"), lineNo);
                if (i < depth && !HiveKey::sameName(stack[i]->name(), name))
                    return damaged(why, QStringLiteral("key declared apart from its parent"), lineNo);
            }
            HiveKey* parent = stack[depth - 1];
            if (!parent->subkeys().empty() && HiveKey::compareNames(parent->subkeys().back()->name(), name) >= 0)
                return damaged(why, QStringLiteral("keys out of order or repeated"), lineNo);
            current = parent->appendSubkeyInOrder(name);
            stack.resize(depth);
            stack.push_back(current);
            accessLineAllowed = true;
            valueNames.clear();
            ++keyCount;
        } else if (t[0] == "A") {
            if (t.size() != 2 || !accessLineAllowed || t[1].isEmpty() || t[1].size() > 2)
                return damaged(why, QStringLiteral("bad access line"), lineNo);
            quint32 mask = 0;
            for (char c : t[1]) {
                const int d = hexDigit(c);
                if (d < 0)
                    return damaged(why, QStringLiteral("bad access line"), lineNo);
                mask = mask * 16 + quint32(d);
            }
            if (mask == 0 || (mask & ~KEY_SPECIFIC_RIGHTS) != 0)
                return damaged(why, QStringLiteral("bad access rights"), lineNo);
            current->setDeniedAccess(mask);
            accessLineAllowed = false;
        } else if (t[0] == "V") {
            quint64 type = 0;
            quint64 size = 0;
            QString name;
            QByteArray data;
            if (t.size() != 5)
                return damaged(why, QStringLiteral("bad value line"), lineNo);
            if (!parseDecimal(t[1], 0xFFFFFFFFu, &type))
                return damaged(why, QStringLiteral("bad value type"), lineNo);
            if (!parseDecimal(t[2], quint64(kMaxValueBytes), &size))
                return damaged(why, QStringLiteral("bad or absurd value size"), lineNo);
            if (!t[3].startsWith('=') || !decodeName(t[3].sliced(1), &name) || name.size() > kMaxValueNameLength)
                return damaged(why, QStringLiteral("bad value name"), lineNo);
            if (!parseHexData(t[4], qint64(size), &data))
                return damaged(why, QStringLiteral("value data does not match its size"), lineNo);
            const QString folded = name.toCaseFolded();
            if (valueNames.contains(folded))
                return damaged(why, QStringLiteral("value repeated"), lineNo);
            valueNames.insert(folded);
            current->appendValue(HiveValue{name, quint32(type), std::move(data)});
            accessLineAllowed = false;
            ++valueCount;
        } else if (t[0] == "END") {
            quint64 keys = 0;
            quint64 values = 0;
            if (t.size() != 3 || !parseDecimal(t[1], quint64(kMaxHiveBytes), &keys)
                || !parseDecimal(t[2], quint64(kMaxHiveBytes), &values))
                return damaged(why, QStringLiteral("bad END line"), lineNo);
            if (keys != keyCount || values != valueCount)
                return damaged(why, QStringLiteral("counts on the END line do not match"), lineNo);
            ended = true;
        } else {
            return damaged(why, QStringLiteral("unknown line"), lineNo);
        }
    }
    if (!ended)
        return damaged(why, QStringLiteral("cut short (no END line)"), lineNo);
    return Status::Ok;
}

QByteArray HiveFile::serialize(const HiveKey& root)
{
    QByteArray out = kMagic.toByteArray() + QByteArray::number(kFormatVersion) + '\n';
    int keys = 0;
    int values = 0;
    writeKey(out, root, QByteArray(), keys, values);
    out += "END " + QByteArray::number(keys) + ' ' + QByteArray::number(values) + '\n';
    return out;
}

HiveFile::Status HiveFile::load(HiveKey& root, QString* why) const
{
    QByteArray bytes;
    switch (PlainFile::read(m_path, winreg::kMaxHiveBytes, &bytes)) {
    case PlainFile::Status::Ok: return parse(bytes, root, why);
    case PlainFile::Status::Missing: return Status::Missing;
    case PlainFile::Status::TooLarge:
        return damaged(why, QStringLiteral("larger than %1 bytes").arg(winreg::kMaxHiveBytes), 0);
    case PlainFile::Status::NotAFile:
        // A FIFO or a device would block or never end; it is not ours to move aside either.
        if (why)
            *why = QStringLiteral("not a regular file");
        return Status::IoError;
    case PlainFile::Status::Failed: break;
    }
    if (why)
        *why = QStringLiteral("cannot be read");
    return Status::IoError;
}

bool HiveFile::save(const HiveKey& root, QString* why) const
{
    const QByteArray bytes = serialize(root);
    if (bytes.size() > winreg::kMaxHiveBytes) {
        if (why)
            *why = QStringLiteral("the hive would grow beyond %1 bytes").arg(winreg::kMaxHiveBytes);
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (why)
            *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QString HiveFile::moveAside() const
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString target = m_path + QStringLiteral(".damaged-") + stamp;
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = m_path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    return QFile::rename(m_path, target) ? target : QString();
}
