#include "listfile.h"

#include "plainfile.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace ListFile {
namespace {

constexpr char Magic[8] = {'S', 'B', 'X', 'L', 'I', 'S', 'T', '\0'};
constexpr qsizetype MagicSize = qsizetype(sizeof Magic);
constexpr char TagLayout[4] = {'L', 'A', 'Y', 'T'};
constexpr char TagRows[4] = {'R', 'O', 'W', 'S'};
constexpr char TagEnd[4] = {'E', 'N', 'D', ' '};

// What version 1.0 writes at the least; a shorter record is cut short, a longer one has fields
// from a later minor version that this build skips.
constexpr quint64 LayoutBytes = 6 * 4;
constexpr quint64 RowBytes = 4 + 4 * 8;          // height and four empty texts
constexpr quint64 RowRecordBytes = 8 + RowBytes; // with its length

constexpr int MaxGridLines = 255;
constexpr int MaxEditable = 2;

constexpr quint8 CellInline = 0;
constexpr quint8 CellBeside = 1;
constexpr quint8 SideUtf8 = 8;
constexpr quint8 SideUtf16 = 16;

// Texts the reader compares piece by piece with the row's label before holding them a second time.
constexpr qsizetype SharedTextMinUnits = 1024;
constexpr qint64 CompareChunkBytes = 64 * 1024;

bool sameTag(const char* a, const char (&b)[4])
{
    return std::memcmp(a, b, 4) == 0;
}

// Bounds-checked reading of one byte range of a device, front to back; every read that would pass
// the end of the range fails. A part split off with take() is read before its parent goes on.
class Reader
{
public:
    Reader() = default;
    Reader(QIODevice* device, quint64 size)
        : m_device(device)
        , m_left(size)
    {
    }

    quint64 remaining() const { return m_left; }

    bool raw(char* dest, quint64 n)
    {
        if (n > m_left || (n > 0 && m_device->read(dest, qint64(n)) != qint64(n)))
            return false;
        m_left -= n;
        return true;
    }

    template <typename T> bool number(T* value)
    {
        char buf[sizeof(T)];
        if (!raw(buf, sizeof(T)))
            return false;
        *value = qFromLittleEndian<T>(buf);
        return true;
    }

    bool take(quint64 n, Reader* part)
    {
        if (n > m_left)
            return false;
        *part = Reader(m_device, n);
        m_left -= n;
        return true;
    }

    // Steps over what is left of this part.
    bool skipRest()
    {
        const quint64 n = std::exchange(m_left, 0);
        return n == 0 || m_device->seek(m_device->pos() + qint64(n));
    }

    // UTF-16LE with its length in bytes; the string is allocated only once the bytes are known to be
    // there, so a length field can never make us allocate more than the input holds. A text equal
    // to `same` comes back sharing its characters.
    bool text(QString* s, const QString* same = nullptr)
    {
        quint64 bytes = 0;
        if (!number(&bytes) || bytes > m_left || bytes % 2 != 0)
            return false;
        const qsizetype units = qsizetype(bytes / 2);
        qsizetype done = 0;
        QString result;
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian && same && same->size() == units
            && units >= SharedTextMinUnits) {
            const char* want = reinterpret_cast<const char*>(same->constData());
            QByteArray chunk(qsizetype(std::min<quint64>(bytes, CompareChunkBytes)), Qt::Uninitialized);
            while (quint64(done) < bytes) {
                const qsizetype n = qsizetype(std::min<quint64>(bytes - quint64(done), CompareChunkBytes));
                if (!raw(chunk.data(), quint64(n)))
                    return false;
                if (std::memcmp(chunk.constData(), want + done, size_t(n)) != 0) {
                    // Not the same after all: what matched so far and this piece start the text.
                    result = QString(units, Qt::Uninitialized);
                    std::memcpy(result.data(), want, size_t(done));
                    std::memcpy(reinterpret_cast<char*>(result.data()) + done, chunk.constData(), size_t(n));
                    done += n;
                    break;
                }
                done += n;
            }
            if (quint64(done) == bytes && result.isNull()) {
                *s = *same;
                return true;
            }
        } else {
            result = QString(units, Qt::Uninitialized);
        }
        if (!raw(reinterpret_cast<char*>(result.data()) + done, bytes - quint64(done)))
            return false;
        if (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
            qFromLittleEndian<char16_t>(result.constData(), units, result.data());
        *s = std::move(result);
        return true;
    }

    // A session copy's cell: inline, or a prefix followed by a side text.
    bool cell(QString* s, const SideReader& sides, const QString* same)
    {
        quint8 form = 0;
        if (!number(&form))
            return false;
        if (form == CellInline)
            return text(s, same);
        QString prefix;
        QString name;
        quint8 encoding = 0;
        quint64 units = 0;
        if (form != CellBeside || !sides || !text(&prefix) || !text(&name) || !number(&encoding)
            || (encoding != SideUtf8 && encoding != SideUtf16) || !number(&units))
            return false;
        QString side;
        if (!sides(name, encoding == SideUtf8, units, &side) || quint64(side.size()) != units)
            return false;
        *s = prefix.isEmpty() ? side : prefix + side;
        return true;
    }

    bool twips(int* value)
    {
        qint32 v = 0;
        if (!number(&v) || v < 0 || v > MaxTwips)
            return false;
        *value = v;
        return true;
    }

    bool inRange(int* value, int low, int high)
    {
        qint32 v = 0;
        if (!number(&v) || v < low || v > high)
            return false;
        *value = v;
        return true;
    }

private:
    QIODevice* m_device = nullptr;
    quint64 m_left = 0;
};

bool readLayout(Reader body, Contents* c)
{
    if (body.remaining() < LayoutBytes)
        return false;
    return body.twips(&c->width) && body.twips(&c->colWidth[0]) && body.twips(&c->colWidth[1])
        && body.twips(&c->colWidth[2]) && body.inRange(&c->gridLines, 0, MaxGridLines)
        && body.inRange(&c->editable, 0, MaxEditable) && body.skipRest();
}

bool readRow(Reader body, Row* row, quint16 major, const SideReader& sides)
{
    if (!body.twips(&row->height) || !body.text(&row->kind))
        return false;
    auto& [label, data, text] = row->text;
    const bool cells = major >= SessionMajor
        ? body.cell(&label, sides, nullptr) && body.cell(&data, sides, nullptr) && body.cell(&text, sides, &label)
        : body.text(&label) && body.text(&data) && body.text(&text, &label);
    return cells && body.skipRest();
}

bool readRows(Reader body, Contents* c, quint16 major, const SideReader& sides)
{
    quint32 count = 0;
    if (!body.number(&count) || count > quint32(MaxRows))
        return false;
    // Checked before reserving anything: each row takes at least RowRecordBytes.
    if (quint64(count) * RowRecordBytes > body.remaining())
        return false;
    QList<Row> rows;
    rows.reserve(qsizetype(count));
    for (quint32 i = 0; i < count; ++i) {
        quint64 length = 0;
        Reader rowBody;
        if (!body.number(&length) || !body.take(length, &rowBody))
            return false;
        Row row;
        if (!readRow(rowBody, &row, major, sides))
            return false;
        rows.append(std::move(row));
    }
    c->rows = std::move(rows);
    return body.skipRest();
}

Status decodeDevice(QIODevice& device, quint64 size, Contents* out, const SideReader& sides)
{
    char magic[MagicSize];
    const qsizetype head = qsizetype(std::min<quint64>(size, quint64(MagicSize)));
    if (device.read(magic, head) != head)
        return Status::CannotOpen;
    if (head < MagicSize) {
        // Nothing but the start of the magic: a list file cut short, not some other file.
        return std::memcmp(magic, Magic, size_t(head)) == 0 ? Status::Damaged : Status::NotAListFile;
    }
    if (std::memcmp(magic, Magic, size_t(MagicSize)) != 0)
        return Status::NotAListFile;

    Reader r(&device, size - quint64(MagicSize));
    quint16 major = 0;
    quint16 minor = 0;
    if (!r.number(&major) || !r.number(&minor) || major == 0)
        return Status::Damaged;
    if (major > SessionMajor)
        return Status::NewerVersion;

    Contents c;
    bool haveLayout = false;
    bool haveRows = false;
    for (;;) {
        char tag[4];
        quint64 length = 0;
        Reader body;
        if (!r.raw(tag, 4) || !r.number(&length) || !r.take(length, &body))
            return Status::Damaged;
        if (sameTag(tag, TagEnd)) {
            if (!body.skipRest())
                return Status::Damaged;
            break;
        }
        if (sameTag(tag, TagLayout)) {
            if (haveLayout || !readLayout(body, &c))
                return Status::Damaged;
            haveLayout = true;
        } else if (sameTag(tag, TagRows)) {
            if (haveRows || !readRows(body, &c, major, sides))
                return Status::Damaged;
            haveRows = true;
        } else if (!body.skipRest()) {
            // Any other record comes from a later version and is skipped.
            return Status::Damaged;
        }
    }
    // Bytes after the end record mean the file is not what any writer made.
    if (r.remaining() != 0 || !haveLayout || !haveRows)
        return Status::Damaged;
    *out = std::move(c);
    return Status::Ok;
}

class Writer
{
public:
    explicit Writer(qsizetype expected) { m_out.reserve(expected); }

    QByteArray take() { return std::move(m_out); }

    void raw(const char* data, qsizetype n) { m_out.append(data, n); }

    template <typename T> void number(T value)
    {
        char buf[sizeof(T)];
        qToLittleEndian<T>(value, buf);
        m_out.append(buf, qsizetype(sizeof(T)));
    }

    void text(const QString& s)
    {
        number(quint64(s.size()) * 2);
        const qsizetype at = m_out.size();
        if (s.isEmpty())
            return;
        m_out.resize(at + s.size() * 2);
        qToLittleEndian<char16_t>(s.utf16(), s.size(), m_out.data() + at);
    }

    // A length-prefixed block: the length is filled in when the block ends.
    qsizetype begin()
    {
        const qsizetype at = m_out.size();
        number(quint64(0));
        return at;
    }
    void end(qsizetype at)
    {
        const quint64 length = quint64(m_out.size() - at - 8);
        qToLittleEndian<quint64>(length, m_out.data() + at);
    }

    void record(const char (&tag)[4]) { raw(tag, 4); }

private:
    QByteArray m_out;
};

qsizetype textBytes(const QString& s)
{
    return 8 + s.size() * 2;
}

qint32 clampedTwips(int v)
{
    return std::clamp(v, 0, MaxTwips);
}

} // namespace

QString describe(Status s)
{
    switch (s) {
    case Status::Ok: return QStringLiteral("The list file was read or written.");
    case Status::CannotOpen: return QStringLiteral("The list file cannot be opened.");
    case Status::NotAListFile: return QStringLiteral("The file is not a Stashbox list file.");
    case Status::NewerVersion: return QStringLiteral("The list file was written by a newer version of Stashbox.");
    case Status::Damaged: return QStringLiteral("The list file is damaged or cut short.");
    case Status::CannotWrite: return QStringLiteral("The list file cannot be written.");
    }
    return QStringLiteral("Unknown list file error.");
}

qint64 encodedSize(const Contents& contents)
{
    qint64 size = MagicSize + 4 + (12 + qint64(LayoutBytes)) + 12 + 4 + 12;
    for (const Row& row : contents.rows) {
        size += qint64(RowRecordBytes) - 4 * 8 + textBytes(row.kind);
        for (const QString& t : row.text)
            size += textBytes(t);
    }
    return size;
}


namespace {
QByteArray encodeWith(const Contents& contents, quint16 major, const SideLookup& sides)
{
    // Decided first, so that the list is sized up front and built in one allocation.
    QList<std::array<std::optional<SideText>, 3>> beside(sides ? contents.rows.size() : 0);
    qsizetype expected = MagicSize + 4 + (12 + qsizetype(LayoutBytes)) + 12 + 4 + 12;
    for (qsizetype r = 0; r < contents.rows.size(); ++r) {
        const Row& row = contents.rows[r];
        expected += qsizetype(RowRecordBytes) - 4 * 8 + textBytes(row.kind);
        // The text column first: a label that ends with the text (a named item) refers to it.
        for (const size_t col : {2, 1, 0}) {
            const QString& t = row.text[col];
            SideText side;
            if (sides && t.size() >= SideTextMinChars && sides(t, &side)) {
                expected += 1 + 8 + side.prefix * 2 + textBytes(side.name) + 9;
                beside[r][col] = std::move(side);
            } else {
                expected += (sides ? 1 : 0) + textBytes(t);
            }
        }
    }

    Writer w(expected);
    w.raw(Magic, MagicSize);
    w.number(major);
    w.number(FormatMinor);

    w.record(TagLayout);
    qsizetype block = w.begin();
    w.number(clampedTwips(contents.width));
    for (int width : contents.colWidth)
        w.number(clampedTwips(width));
    w.number(qint32(std::clamp(contents.gridLines, 0, MaxGridLines)));
    w.number(qint32(std::clamp(contents.editable, 0, MaxEditable)));
    w.end(block);

    w.record(TagRows);
    block = w.begin();
    w.number(quint32(contents.rows.size()));
    for (qsizetype r = 0; r < contents.rows.size(); ++r) {
        const Row& row = contents.rows[r];
        const qsizetype rowBlock = w.begin();
        w.number(clampedTwips(row.height));
        w.text(row.kind);
        for (size_t col = 0; col < row.text.size(); ++col) {
            const QString& t = row.text[col];
            if (!sides) {
                w.text(t);
            } else if (const std::optional<SideText>& side = beside[r][col]; !side) {
                w.number(CellInline);
                w.text(t);
            } else {
                w.number(CellBeside);
                w.text(t.left(side->prefix));
                w.text(side->name);
                w.number(side->utf8 ? SideUtf8 : SideUtf16);
                w.number(quint64(t.size() - side->prefix));
            }
        }
        w.end(rowBlock);
    }
    w.end(block);

    w.record(TagEnd);
    w.end(w.begin());
    return w.take();
}

} // namespace

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

bool fitsUtf8(const QString& text)
{
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!QChar::isSurrogate(p[i]))
            continue;
        if (!QChar::isHighSurrogate(p[i]) || i + 1 == n || !QChar::isLowSurrogate(p[i + 1]))
            return false;
        ++i;
    }
    return true;
}

QByteArray encode(const Contents& contents)
{
    return encodeWith(contents, FormatMajor, {});
}

QByteArray encodeSession(const Contents& contents, const SideLookup& sides)
{
    // A list without a lookup is a session copy all the same, with every cell inline.
    return encodeWith(contents, SessionMajor, sides ? sides : [](const QString&, SideText*) { return false; });
}

Status decode(const QByteArray& bytes, Contents* out, const SideReader& sides)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeDevice(buffer, quint64(bytes.size()), out, sides);
}

Status write(const QString& path, const Contents& contents)
{
    if (contents.rows.size() > MaxRows)
        return Status::CannotWrite;
    // Never write what read would refuse.
    if (encodedSize(contents) > MaxFileBytes)
        return Status::CannotWrite;
    const QByteArray bytes = encode(contents);
    // Owner-only from the first byte, whatever the permissions of the file it replaces; a link in
    // its place is replaced, not written through.
    return PlainFile::replace(path, bytes) ? Status::Ok : Status::CannotWrite;
}

Status read(const QString& path, Contents* out, QHash<QString, QString>* sideTexts)
{
    QFile file;
    switch (PlainFile::open(path, MaxFileBytes, &file)) {
    case PlainFile::Status::Ok: break;
    case PlainFile::Status::TooLarge: return Status::Damaged;
    case PlainFile::Status::Missing:
    case PlainFile::Status::NotAFile: // a FIFO or device would block or never end
    case PlainFile::Status::Failed: return Status::CannotOpen;
    }
    // Texts beside a session copy lie in its picture folder; one file named twice is read once.
    const QString folder = path + QStringLiteral("_Data/");
    QHash<QString, QString> read;
    const SideReader sides = [&](const QString& name, bool utf8, quint64 units, QString* text) {
        if (const auto known = read.constFind(name); known != read.constEnd()) {
            *text = *known;
            return true;
        }
        QByteArray bytes;
        if (!isPlainName(name)
            || PlainFile::read(folder + name, MaxFileBytes, &bytes, PlainFile::Links::Refuse) != PlainFile::Status::Ok)
            return false;
        if (utf8) {
            *text = QString::fromUtf8(bytes);
        } else {
            if (bytes.size() % 2 != 0)
                return false;
            QString t(bytes.size() / 2, Qt::Uninitialized);
            qFromLittleEndian<char16_t>(bytes.constData(), t.size(), t.data());
            *text = std::move(t);
        }
        if (quint64(text->size()) != units)
            return false;
        read.insert(name, *text);
        return true;
    };
    const Status status = decodeDevice(file, quint64(file.size()), out, sides);
    if (status == Status::Ok && sideTexts)
        *sideTexts = std::move(read);
    return status;
}

} // namespace ListFile
