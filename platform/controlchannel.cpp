#include "controlchannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ControlChannel {

namespace {
const QByteArray Magic = QByteArrayLiteral("STASHBOX1");
// A client that neither finishes its request nor reads its answer in this time is dropped.
constexpr int ConnectionTimeoutMs = 5000;
constexpr qint64 MaxNumber = 999999999;

bool isCommandWord(const QByteArray& word)
{
    if (word.isEmpty() || word.size() > 16)
        return false;
    return std::all_of(word.begin(), word.end(), [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
}

std::optional<sockaddr_un> addressOf(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un addr = {};
    if (name.isEmpty() || size_t(name.size()) >= sizeof(addr.sun_path))
        return std::nullopt;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.constData(), size_t(name.size()));
    return addr;
}

// The other end of a connection runs as this user.
bool peerIsUs(int fd)
{
    ucred cred = {};
    socklen_t len = sizeof(cred);
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::geteuid();
}

QString systemError(const char* what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

QByteArray Request::encode() const
{
    QByteArray line = Magic + ' ' + command;
    if (number >= 0)
        line += ' ' + QByteArray::number(number);
    return line + '\n';
}

std::optional<Request> Request::parse(const QByteArray& line)
{
    if (line.size() > MaxRequestBytes || !line.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> words = line.chopped(1).split(' ');
    if (words.size() < 2 || words.size() > 3 || words[0] != Magic || !isCommandWord(words[1]))
        return std::nullopt;
    Request r{words[1], -1};
    if (words.size() == 3) {
        const QByteArray& n = words[2];
        if (n.isEmpty() || n.size() > 9
            || !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        r.number = n.toLongLong();
        if (r.number > MaxNumber)
            return std::nullopt;
    }
    return r;
}

QByteArray Answer::encode() const
{
    if (ok)
        return QByteArrayLiteral("OK\n") + text;
    QByteArray why = text;
    why.replace('\n', ' ');
    return QByteArrayLiteral("ERROR ") + why + '\n';
}

QString defaultPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/stashbox.socket");
}

QString untrustedReason(const QString& path)
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString() : systemError("cannot look at the socket");
    if (S_ISLNK(st.st_mode))
        return path + QStringLiteral(" is a link");
    if (!S_ISSOCK(st.st_mode))
        return path + QStringLiteral(" is not a socket");
    if (st.st_uid != ::geteuid())
        return path + QStringLiteral(" belongs to someone else");
    return {};
}

struct Server::Connection
{
    int fd = -1;
    QByteArray in;
    QByteArray out;
    qsizetype written = 0;
    std::unique_ptr<QSocketNotifier> reader;
    std::unique_ptr<QSocketNotifier> writer;
    QTimer deadline;
};

Server::Server(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{
}

Server::~Server()
{
    for (Connection* c : std::as_const(m_connections)) {
        ::close(c->fd);
        delete c;
    }
    qDeleteAll(m_dropped);
    if (m_fd >= 0) {
        ::close(m_fd);
        // Only a socket that is still ours is removed.
        if (untrustedReason(m_path).isEmpty())
            ::unlink(QFile::encodeName(m_path).constData());
    }
}

bool Server::listen(QString* error)
{
    if (m_fd >= 0)
        return true;
    const auto addr = addressOf(m_path);
    if (!addr) {
        *error = m_path + QStringLiteral(" is too long a name for a socket");
        return false;
    }
    if (QString reason = untrustedReason(m_path); !reason.isEmpty()) {
        *error = reason;
        return false;
    }
    // The single-instance lock is ours: a socket of ours still there was left by a copy that died.
    ::unlink(addr->sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = systemError("cannot make a socket");
        return false;
    }
    // Created owner-only: the mode is the umask's at bind time, and nobody may connect meanwhile.
    const mode_t mask = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&*addr), sizeof(*addr)) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 8) != 0) {
        *error = systemError("cannot listen on the socket");
        ::close(fd);
        return false;
    }
    m_fd = fd;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &Server::accept);
    return true;
}

void Server::accept()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto* c = new Connection;
        c->fd = fd;
        m_connections.append(c);
        c->deadline.setSingleShot(true);
        connect(&c->deadline, &QTimer::timeout, this, [this, c] { drop(c); });
        c->deadline.start(ConnectionTimeoutMs);
        if (!peerIsUs(fd)) {
            answer(c, Answer::error(QStringLiteral("not allowed")));
            continue;
        }
        c->reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(c->reader.get(), &QSocketNotifier::activated, this, [this, c] { readFrom(c); });
    }
}

void Server::readFrom(Connection* c)
{
    char buffer[MaxRequestBytes + 1];
    const ssize_t n = ::read(c->fd, buffer, sizeof(buffer));
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        drop(c);
        return;
    }
    if (n < 0)
        return;
    c->in.append(buffer, n);
    const qsizetype end = c->in.indexOf('\n');
    if (end < 0 && c->in.size() <= MaxRequestBytes)
        return;
    c->reader->setEnabled(false);
    // Whatever follows the line, or a line too long, makes it a request that is not ours.
    const std::optional<Request> request = end >= 0 && end + 1 == c->in.size() ? Request::parse(c->in) : std::nullopt;
    if (!request) {
        answer(c, Answer::error(QStringLiteral("not a Stashbox request")));
    } else if (!handler) {
        answer(c, Answer::error(QStringLiteral("not ready")));
    } else {
        // The handler may run events (a slide) or a box that stays open for long: the client waits
        // for its answer meanwhile.
        c->deadline.stop();
        const Answer a = handler(*request);
        if (m_connections.contains(c))
            answer(c, a);
    }
}

void Server::answer(Connection* c, const Answer& a)
{
    c->out = a.encode();
    c->writer = std::make_unique<QSocketNotifier>(c->fd, QSocketNotifier::Write);
    connect(c->writer.get(), &QSocketNotifier::activated, this, [this, c] { writeTo(c); });
    c->deadline.start(ConnectionTimeoutMs);
}

void Server::writeTo(Connection* c)
{
    while (c->written < c->out.size()) {
        const ssize_t n =
            ::send(c->fd, c->out.constData() + c->written, size_t(c->out.size() - c->written), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return;
            break;
        }
        c->written += n;
        // A slow reader that takes its answer is given more time.
        c->deadline.start(ConnectionTimeoutMs);
    }
    drop(c);
}

void Server::drop(Connection* c)
{
    if (!m_connections.removeOne(c))
        return;
    // Deleted, with its notifiers and timer, once the one that called this has returned.
    for (QSocketNotifier* n : {c->reader.get(), c->writer.get()})
        if (n)
            n->setEnabled(false);
    c->deadline.stop();
    ::close(c->fd);
    m_dropped.append(c);
    QTimer::singleShot(0, this, [this, c] {
        m_dropped.removeOne(c);
        delete c;
    });
}

bool send(const QString& path, const Request& request, Answer* answer, QString* error, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (QString reason = untrustedReason(path); !reason.isEmpty()) {
        *error = reason;
        return false;
    }
    const auto addr = addressOf(path);
    if (!addr) {
        *error = path + QStringLiteral(" is too long a name for a socket");
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = systemError("cannot make a socket");
        return false;
    }
    const auto fail = [&](const QString& why) {
        *error = why;
        ::close(fd);
        return false;
    };
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&*addr), sizeof(*addr)) != 0)
        return fail(systemError("cannot connect"));
    if (!peerIsUs(fd))
        return fail(path + QStringLiteral(" is served by someone else"));
    const QByteArray line = request.encode();
    if (::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size())
        return fail(systemError("cannot send the request"));
    QByteArray reply;
    char buffer[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (ready == 0)
            return fail(QStringLiteral("no answer in time"));
        if (ready < 0 && errno != EINTR)
            return fail(systemError("cannot wait for the answer"));
        if (ready < 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno != EINTR)
            return fail(systemError("cannot read the answer"));
        if (n == 0)
            break;
        if (n > 0)
            reply.append(buffer, n);
    }
    ::close(fd);
    const qsizetype end = reply.indexOf('\n');
    if (end < 0) {
        *error = QStringLiteral("an incomplete answer");
        return false;
    }
    const QByteArray head = reply.left(end);
    if (head == "OK") {
        *answer = {true, reply.mid(end + 1)};
        return true;
    }
    if (head.startsWith("ERROR ")) {
        *answer = {false, head.mid(6)};
        return true;
    }
    *error = QStringLiteral("an answer that is not Stashbox's");
    return false;
}

} // namespace ControlChannel
