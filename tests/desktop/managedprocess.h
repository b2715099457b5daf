#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A child process of the rig.  Children die with the rig (PR_SET_PDEATHSIG),
// so a test that crashes or is killed by its timeout leaves nothing running;
// a normal stop is SIGTERM, a bounded wait, then SIGKILL, always by pid.
class ManagedProcess final
{
public:
    ManagedProcess();
    ~ManagedProcess();
    ManagedProcess(const ManagedProcess&) = delete;
    ManagedProcess& operator=(const ManagedProcess&) = delete;

    void setEnvironment(const QProcessEnvironment& env);
    void setOutputFile(const QString& path); // stdout and stderr, appended
    void discardOutput();
    void mergeOutput(); // stderr into the stdout that readOutput() sees

    bool start(const QString& program, const QStringList& args, QString* error = nullptr);
    bool isRunning();
    qint64 pid() const { return m_pid; }

    // Reads what arrived on stdout so far (only when output is not redirected).
    QByteArray readOutput();
    // Waits, bounded, for a line on stdout that starts with prefix.
    bool waitForLine(const QByteArray& prefix, int timeoutMs, QByteArray* line = nullptr);

    bool waitForFinished(int timeoutMs);
    void stop(int graceMs = 3000);
    void closeWriteChannel();
    bool write(const QByteArray& data);

    QString describeExit();
    int exitCode() const { return m_process.exitCode(); }
    bool crashed() const { return m_process.exitStatus() == QProcess::CrashExit; }

private:
    QProcess m_process;
    qint64 m_pid = 0;
    QByteArray m_pending;
};
