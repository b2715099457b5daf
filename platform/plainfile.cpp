#include "plainfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PlainFile {
namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

mode_t modeOf(QFileDevice::Permissions p)
{
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto& [permission, bit] : bits) {
        if (p.testFlag(permission))
            mode |= bit;
    }
    return mode;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Opens `path` for reading when it is a regular file of at most `maxBytes`; `fd` gets the descriptor.
Status openRegular(const QString& path, qint64 maxBytes, Links links, int* fd, qint64* size)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before opening, so that no device is ever opened, and again after, on what was
    // opened: the path may have changed in between.
    struct stat before
    { };
    const int looked = links == Links::Refuse ? ::lstat(name.constData(), &before) : ::stat(name.constData(), &before);
    if (looked != 0)
        return errno == ENOENT ? Status::Missing : Status::Failed;
    if (!S_ISREG(before.st_mode))
        return Status::NotAFile;
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    Descriptor opened(::open(name.constData(), flags));
    if (opened.get() < 0)
        return errno == ENOENT ? Status::Missing : errno == ELOOP ? Status::NotAFile : Status::Failed;
    struct stat info
    { };
    if (::fstat(opened.get(), &info) != 0)
        return Status::Failed;
    if (!S_ISREG(info.st_mode))
        return Status::NotAFile;
    if (info.st_size > maxBytes)
        return Status::TooLarge;
    *size = info.st_size;
    *fd = opened.release();
    return Status::Ok;
}

} // namespace

Status open(const QString& path, qint64 maxBytes, QFile* file, Links links)
{
    int fd = -1;
    qint64 size = 0;
    if (const Status status = openRegular(path, maxBytes, links, &fd, &size); status != Status::Ok)
        return status;
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Status::Failed;
    }
    return Status::Ok;
}

Status read(const QString& path, qint64 maxBytes, QByteArray* out, Links links)
{
    int descriptor = -1;
    qint64 size = 0;
    if (const Status status = openRegular(path, maxBytes, links, &descriptor, &size); status != Status::Ok)
        return status;
    Descriptor fd(descriptor);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Status::Failed;
        if (n == 0)
            break; // shrank while being read: the reader of the contents judges what is left
        got += n;
    }
    bytes.truncate(got);
    *out = std::move(bytes);
    return Status::Ok;
}

bool replace(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    const QFileInfo info(path);
    QByteArray temporary =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + QByteArrayLiteral(".XXXXXX");
    // Created 0600 and exclusively: nobody else can have it open or see it half written.
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    const bool written = ::fchmod(fd.get(), modeOf(permissions)) == 0 && writeAll(fd.get(), bytes)
        && ::fsync(fd.get()) == 0 && fd.close();
    // rename() replaces whatever is at the path, a symbolic link included, and never follows it.
    if (written && ::rename(temporary.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) == 0)
        return true;
    // errno keeps telling why, for the caller's message.
    const int error = errno;
    ::unlink(temporary.constData());
    errno = error;
    return false;
}

void removeLeftovers(const QString& folder, const QString& name)
{
    // mkostemp() puts six letters or digits in place of the X's.
    static const QRegularExpression leftover(QStringLiteral("^\\.(.+)\\.[A-Za-z0-9]{6}$"));
    const QStringList hidden = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : hidden) {
        const QRegularExpressionMatch match = leftover.match(entry);
        if (!match.hasMatch() || (!name.isEmpty() && match.captured(1) != name))
            continue;
        const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + entry);
        struct stat st
        { };
        if (::lstat(path.constData(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
            && st.st_uid == ::geteuid())
            ::unlink(path.constData());
    }
}

} // namespace PlainFile
