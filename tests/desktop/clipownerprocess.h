#pragma once

#include "managedprocess.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class RigDesktop;

// Another program that has copied something: drives the clipowner tool (or,
// on a Wayland desktop, wlclipowner), which owns the clipboard with any set of
// types, answers slowly or never when told to, and logs every request it
// receives.
class ClipOwnerProcess final
{
public:
    explicit ClipOwnerProcess(RigDesktop& session, const QString& program = {});
    ~ClipOwnerProcess();
    ClipOwnerProcess(const ClipOwnerProcess&) = delete;
    ClipOwnerProcess& operator=(const ClipOwnerProcess&) = delete;

    ClipOwnerProcess& offer(const QString& target, const QByteArray& data);
    // Text as Qt programs offer it: UTF-8 under the names Qt asks for.
    ClipOwnerProcess& offerText(const QString& text);
    ClipOwnerProcess& neverAnswer(const QString& target);
    // Lists the target but refuses to hand it over.
    ClipOwnerProcess& refuse(const QString& target);
    ClipOwnerProcess& delayEachAnswer(int ms);
    ClipOwnerProcess& incrAbove(qint64 bytes);

    // Starts the owner and waits (bounded) until it owns the clipboard.
    bool start(QString* error = nullptr);
    // CLOCK_MONOTONIC time at which it took the clipboard.
    qint64 ownedSinceNs() const { return m_ownedSinceNs; }

    struct Request
    {
        QString target;
        QString outcome; // answered, incr, refused, ignored
        qint64 atNs = 0; // CLOCK_MONOTONIC time of the request
    };
    QList<Request> requests() const;
    int requestCount(const QString& target) const;
    // Targets asked for more than once during this offer.
    QStringList repeatedTargets() const;
    bool waitForRequest(const QString& target, int timeoutMs) const;
    // Waits for a request of any target but TARGETS and TIMESTAMP.
    bool waitForDataRequest(int timeoutMs) const;

    bool isRunning();
    // 0 once it has ended by losing the clipboard, as it should (an X error ends it with 1).
    int exitCode() const { return m_process ? m_process->exitCode() : -1; }
    void stop();
    QString logText() const;

private:
    RigDesktop& m_session;
    QString m_program;
    QTemporaryDir m_dir;
    QStringList m_args;
    int m_fileCount = 0;
    std::unique_ptr<ManagedProcess> m_process;
    qint64 m_ownedSinceNs = 0;
};
