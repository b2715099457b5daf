#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The channel through which a command from a shell (`stashbox --toggle`) reaches the running copy of
// the program: a Unix socket beside the single-instance lock, in the user's runtime folder, readable
// and writable by its owner only.
//
// One connection carries one request and one answer. A request is a single line of at most
// MaxRequestBytes: the word "STASHBOX1", a command of lower-case letters and dashes, and optionally
// one decimal number, separated by single blanks. The answer is "OK" or "ERROR <why>" on its first
// line, then the output of the command. Anything else is answered with an error and reaches no one.
namespace ControlChannel {

inline constexpr int MaxRequestBytes = 64;

struct Request
{
    QByteArray command;
    // -1 when the request carries no number.
    qint64 number = -1;

    QByteArray encode() const;
    // Nothing when the line is not a request of ours.
    static std::optional<Request> parse(const QByteArray& line);
};

struct Answer
{
    bool ok = true;
    // The output of a command, or why it failed.
    QByteArray text;

    QByteArray encode() const;
    static Answer error(const QString& why) { return {false, why.toUtf8()}; }
};

// The socket's place: the runtime folder's "stashbox.socket".
QString defaultPath();
// Why `path` must not be used as our socket (a link, not a socket, or someone else's); empty when it
// is ours or does not exist.
QString untrustedReason(const QString& path);

// The program's end: listens, reads each request without blocking the window and hands it on.
class Server final : public QObject
{
    Q_OBJECT
public:
    explicit Server(const QString& path, QObject* parent = nullptr);
    ~Server() override;

    // Takes the socket's place (an old socket of ours left by a copy that died is replaced; a link
    // or someone else's file is not touched). False with the reason when it cannot.
    bool listen(QString* error);
    QString path() const { return m_path; }
    // Answers every well-formed request from the socket's own user.
    std::function<Answer(const Request&)> handler;

private:
    struct Connection;
    void accept();
    void readFrom(Connection* c);
    void writeTo(Connection* c);
    void answer(Connection* c, const Answer& a);
    void drop(Connection* c);

    QString m_path;
    int m_fd = -1;
    QList<Connection*> m_connections;
    // Closed, and deleted once the event that closed them is over.
    QList<Connection*> m_dropped;
};

// The shell's end: sends one request to the running copy and waits (bounded) for its answer. False
// with the reason when the copy cannot be reached or its socket is not one to trust.
bool send(const QString& path, const Request& request, Answer* answer, QString* error, int timeoutMs);

} // namespace ControlChannel
