#include "clipownerprocess.h"

#include "rigdesktop.h"
#include "rigpaths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QThread>

ClipOwnerProcess::ClipOwnerProcess(RigDesktop& session, const QString& program)
    : m_session(session)
    , m_program(program.isEmpty() ? RigPaths::clipOwner() : program)
{
}

ClipOwnerProcess::~ClipOwnerProcess()
{
    stop();
}

ClipOwnerProcess& ClipOwnerProcess::offer(const QString& target, const QByteArray& data)
{
    // Data always goes by file: no size limit and no quoting trouble.
    const QString path = m_dir.filePath(QStringLiteral("offer%1").arg(m_fileCount++));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
    m_args << QStringLiteral("-t") << target + QStringLiteral("=@") + path;
    return *this;
}

ClipOwnerProcess& ClipOwnerProcess::offerText(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    offer(QStringLiteral("UTF8_STRING"), utf8);
    offer(QStringLiteral("text/plain;charset=utf-8"), utf8);
    offer(QStringLiteral("text/plain"), utf8);
    return *this;
}

ClipOwnerProcess& ClipOwnerProcess::neverAnswer(const QString& target)
{
    m_args << QStringLiteral("-n") << target;
    return *this;
}

ClipOwnerProcess& ClipOwnerProcess::refuse(const QString& target)
{
    m_args << QStringLiteral("-r") << target;
    return *this;
}

ClipOwnerProcess& ClipOwnerProcess::delayEachAnswer(int ms)
{
    m_args << QStringLiteral("-d") << QString::number(ms);
    return *this;
}

ClipOwnerProcess& ClipOwnerProcess::incrAbove(qint64 bytes)
{
    m_args << QStringLiteral("-i") << QString::number(bytes);
    return *this;
}

bool ClipOwnerProcess::start(QString* error)
{
    if (!m_dir.isValid()) {
        if (error)
            *error = QStringLiteral("no temporary folder for the clipboard owner");
        return false;
    }
    m_process = std::make_unique<ManagedProcess>();
    m_process->setEnvironment(m_session.environment());
    // A forgotten owner must not outlive a test run by much.
    const QStringList args = m_args
        + QStringList{QStringLiteral("-l"), m_dir.filePath(QStringLiteral("requests.log")), QStringLiteral("-x"),
                      QStringLiteral("300")};
    if (!m_process->start(m_program, args, error))
        return false;
    QByteArray line;
    if (!m_process->waitForLine("ready", 10000, &line)) {
        if (error)
            *error = QStringLiteral("%1 did not take the clipboard (%2)").arg(m_program, m_process->describeExit());
        return false;
    }
    m_ownedSinceNs = line.mid(6).toLongLong();
    return true;
}

QList<ClipOwnerProcess::Request> ClipOwnerProcess::requests() const
{
    QList<Request> out;
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        // TARGET OUTCOME NS; target names may hold blanks.
        const qsizetype last = line.lastIndexOf(' ');
        const qsizetype space = last > 0 ? line.lastIndexOf(' ', last - 1) : -1;
        if (space <= 0)
            continue;
        out.append({QString::fromUtf8(line.left(space)), QString::fromUtf8(line.mid(space + 1, last - space - 1)),
                    line.mid(last + 1).toLongLong()});
    }
    return out;
}

int ClipOwnerProcess::requestCount(const QString& target) const
{
    int n = 0;
    for (const Request& r : requests())
        n += r.target == target;
    return n;
}

QStringList ClipOwnerProcess::repeatedTargets() const
{
    QSet<QString> seen;
    QStringList repeated;
    for (const Request& r : requests()) {
        if (seen.contains(r.target) && !repeated.contains(r.target))
            repeated << r.target;
        seen.insert(r.target);
    }
    return repeated;
}

bool ClipOwnerProcess::waitForRequest(const QString& target, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    do {
        if (requestCount(target) > 0)
            return true;
        QThread::msleep(20);
    } while (clock.elapsed() < timeoutMs);
    return false;
}

bool ClipOwnerProcess::waitForDataRequest(int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    do {
        for (const Request& r : requests()) {
            if (r.target != QLatin1String("TARGETS") && r.target != QLatin1String("TIMESTAMP"))
                return true;
        }
        QThread::msleep(20);
    } while (clock.elapsed() < timeoutMs);
    return false;
}

bool ClipOwnerProcess::isRunning()
{
    return m_process && m_process->isRunning();
}

void ClipOwnerProcess::stop()
{
    if (m_process)
        m_process->stop(2000);
}

QString ClipOwnerProcess::logText() const
{
    QStringList lines;
    for (const Request& r : requests())
        lines << r.target + QLatin1Char(' ') + r.outcome;
    return lines.join(QStringLiteral("; "));
}
