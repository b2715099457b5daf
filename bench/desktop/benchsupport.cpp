#include "benchsupport.h"

#include "desktopfixture.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace BenchSupport {

bool startOrExplain(DesktopFixture& fx, const QList<QPair<QString, QString>>& settings)
{
    if (!fx.startSession() || !fx.startApp(settings)) {
        std::fprintf(stderr, "cannot measure: %s\n", qPrintable(fx.error()));
        return false;
    }
    return true;
}

bool startSessionOrExplain(DesktopFixture& fx)
{
    if (!fx.startSession()) {
        std::fprintf(stderr, "cannot start the desktop: %s\n", qPrintable(fx.error()));
        return false;
    }
    return true;
}

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

namespace {
qint64 fieldOf(const QString& statusPath, const char* field)
{
    QFile file(statusPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            const QList<QByteArray> parts = line.mid(prefix.size()).simplified().split(' ');
            return parts.isEmpty() ? -1 : parts.front().toLongLong();
        }
    }
    return -1;
}
} // namespace

qint64 statusField(qint64 pid, const char* field)
{
    return fieldOf(QStringLiteral("/proc/%1/status").arg(pid), field);
}

qint64 cpuNs(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    qint64 total = 0;
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

QMap<QString, qint64> contextSwitchesByThread(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    QMap<QString, qint64> out;
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString status = tasks.filePath(tid + QStringLiteral("/status"));
        const qint64 n = qMax<qint64>(0, fieldOf(status, "voluntary_ctxt_switches"))
            + qMax<qint64>(0, fieldOf(status, "nonvoluntary_ctxt_switches"));
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
        out.insert(name + QLatin1Char(':') + tid, n);
    }
    return out;
}

} // namespace BenchSupport
