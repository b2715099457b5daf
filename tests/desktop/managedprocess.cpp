#include "managedprocess.h"

#include <QElapsedTimer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

ManagedProcess::ManagedProcess()
{
    const pid_t parent = getpid();
    m_process.setChildProcessModifier([parent] {
        // Only async-signal-safe calls here: we are between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
    });
}

ManagedProcess::~ManagedProcess()
{
    stop(1000);
}

void ManagedProcess::setEnvironment(const QProcessEnvironment& env)
{
    m_process.setProcessEnvironment(env);
}

void ManagedProcess::setOutputFile(const QString& path)
{
    m_process.setStandardOutputFile(path, QIODevice::Append);
    m_process.setStandardErrorFile(path, QIODevice::Append);
}

void ManagedProcess::discardOutput()
{
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

void ManagedProcess::mergeOutput()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

bool ManagedProcess::start(const QString& program, const QStringList& args, QString* error)
{
    m_process.start(program, args);
    if (!m_process.waitForStarted(10000)) {
        if (error)
            *error = QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString());
        return false;
    }
    m_pid = m_process.processId();
    return true;
}

bool ManagedProcess::isRunning()
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    // Lets QProcess notice an exit without an event loop.
    m_process.waitForFinished(0);
    return m_process.state() != QProcess::NotRunning;
}

QByteArray ManagedProcess::readOutput()
{
    QByteArray out = m_pending + m_process.readAllStandardOutput();
    m_pending.clear();
    return out;
}

bool ManagedProcess::waitForLine(const QByteArray& prefix, int timeoutMs, QByteArray* line)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        m_pending += m_process.readAllStandardOutput();
        qsizetype start = 0;
        for (qsizetype nl = m_pending.indexOf('\n'); nl >= 0; nl = m_pending.indexOf('\n', start)) {
            const QByteArray candidate = m_pending.mid(start, nl - start).trimmed();
            start = nl + 1;
            if (candidate.startsWith(prefix)) {
                if (line)
                    *line = candidate;
                m_pending.remove(0, start);
                return true;
            }
        }
        m_pending.remove(0, start);
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMin<qint64>(left, 100)));
    }
}

bool ManagedProcess::waitForFinished(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}

void ManagedProcess::stop(int graceMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (m_process.waitForFinished(graceMs))
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

void ManagedProcess::closeWriteChannel()
{
    m_process.closeWriteChannel();
}

bool ManagedProcess::write(const QByteArray& data)
{
    if (m_process.write(data) != data.size())
        return false;
    while (m_process.bytesToWrite() > 0) {
        if (!m_process.waitForBytesWritten(10000))
            return false;
    }
    return true;
}

QString ManagedProcess::describeExit()
{
    if (isRunning())
        return QStringLiteral("running (pid %1)").arg(m_pid);
    if (m_process.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("killed by signal %1 (pid %2)").arg(m_process.exitCode()).arg(m_pid);
    return QStringLiteral("exited with status %1 (pid %2)").arg(m_process.exitCode()).arg(m_pid);
}
