#include "listfile.h"

#include "plainfile.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

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

bool sameTag(const char* a, const char (&b)[4])
{
    return std::memcmp(a, b, 4) == 0;
}

// Bounds-checked reading of one byte range; every read that would pass the end fails.
class Reader
{
public:
    Reader(const char* data, quint64 size)
        : m_data(data)
        , m_size(size)
    {
    }

    quint64 remaining() const { return m_size - m_pos; }

    bool raw(char* dest, quint64 n)
    {
        if (n > remaining())
            return false;
        std::memcpy(dest, m_data + m_pos, size_t(n));
        m_pos += n;
        return true;
    }

    template <typename T> bool number(T* value)
    {
        if (sizeof(T) > remaining())
            return false;
        *value = qFromLittleEndian<T>(m_data + m_pos);
        m_pos += sizeof(T);
        return true;
    }

    // Splits off the next n bytes as a reader of their own.
    bool take(quint64 n, Reader* part)
    {
        if (n > remaining())
            return false;
        *part = Reader(m_data + m_pos, n);
        m_pos += n;
        return true;
    }

    // UTF-16LE with its length in bytes; the string is allocated only once the bytes are known to be
    // there, so a length field can never make us allocate more than the input holds.
    bool text(QString* s)
    {
        quint64 bytes = 0;
        if (!number(&bytes) || bytes > remaining() || bytes % 2 != 0)
            return false;
        const qsizetype units = qsizetype(bytes / 2);
        QString result(units, Qt::Uninitialized);
        if (units > 0)
            qFromLittleEndian<char16_t>(m_data + m_pos, units, result.data());
        m_pos += bytes;
        *s = std::move(result);
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
    const char* m_data = nullptr;
    quint64 m_size = 0;
    quint64 m_pos = 0;
};

bool readLayout(Reader body, Contents* c)
{
    if (body.remaining() < LayoutBytes)
        return false;
    return body.twips(&c->width) && body.twips(&c->colWidth[0]) && body.twips(&c->colWidth[1])
        && body.twips(&c->colWidth[2]) && body.inRange(&c->gridLines, 0, MaxGridLines)
        && body.inRange(&c->editable, 0, MaxEditable);
}

bool readRow(Reader body, Row* row)
{
    return body.twips(&row->height) && body.text(&row->kind) && body.text(&row->text[0]) && body.text(&row->text[1])
        && body.text(&row->text[2]);
}

bool readRows(Reader body, Contents* c)
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
        Reader rowBody(nullptr, 0);
        if (!body.number(&length) || !body.take(length, &rowBody))
            return false;
        Row row;
        if (!readRow(rowBody, &row))
            return false;
        rows.append(std::move(row));
    }
    c->rows = std::move(rows);
    return true;
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

QByteArray encode(const Contents& contents)
{
    // Sized up front so that a list with a huge text is built in one allocation.
    Writer w(qsizetype(encodedSize(contents)));
    w.raw(Magic, MagicSize);
    w.number(FormatMajor);
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
    for (const Row& row : contents.rows) {
        const qsizetype rowBlock = w.begin();
        w.number(clampedTwips(row.height));
        w.text(row.kind);
        for (const QString& t : row.text)
            w.text(t);
        w.end(rowBlock);
    }
    w.end(block);

    w.record(TagEnd);
    w.end(w.begin());
    return w.take();
}

Status decode(const QByteArray& bytes, Contents* out)
{
    const qsizetype size = bytes.size();
    if (size < MagicSize) {
        // Nothing but the start of the magic: a list file cut short, not some other file.
        return std::memcmp(bytes.constData(), Magic, size_t(size)) == 0 ? Status::Damaged : Status::NotAListFile;
    }
    if (std::memcmp(bytes.constData(), Magic, size_t(MagicSize)) != 0)
        return Status::NotAListFile;

    Reader r(bytes.constData() + MagicSize, quint64(size - MagicSize));
    quint16 major = 0;
    quint16 minor = 0;
    if (!r.number(&major) || !r.number(&minor) || major == 0)
        return Status::Damaged;
    if (major > FormatMajor)
        return Status::NewerVersion;

    Contents c;
    bool haveLayout = false;
    bool haveRows = false;
    for (;;) {
        char tag[4];
        quint64 length = 0;
        Reader body(nullptr, 0);
        if (!r.raw(tag, 4) || !r.number(&length) || !r.take(length, &body))
            return Status::Damaged;
        if (sameTag(tag, TagEnd))
            break;
        if (sameTag(tag, TagLayout)) {
            if (haveLayout || !readLayout(body, &c))
                return Status::Damaged;
            haveLayout = true;
        } else if (sameTag(tag, TagRows)) {
            if (haveRows || !readRows(body, &c))
                return Status::Damaged;
            haveRows = true;
        }
        // Any other record comes from a later version and is skipped.
    }
    // Bytes after the end record mean the file is not what any writer made.
    if (r.remaining() != 0 || !haveLayout || !haveRows)
        return Status::Damaged;
    *out = std::move(c);
    return Status::Ok;
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

Status read(const QString& path, Contents* out)
{
    QByteArray bytes;
    switch (PlainFile::read(path, MaxFileBytes, &bytes)) {
    case PlainFile::Status::Ok: return decode(bytes, out);
    case PlainFile::Status::TooLarge: return Status::Damaged;
    case PlainFile::Status::Missing:
    case PlainFile::Status::NotAFile: // a FIFO or device would block or never end
    case PlainFile::Status::Failed: break;
    }
    return Status::CannotOpen;
}

} // namespace ListFile
