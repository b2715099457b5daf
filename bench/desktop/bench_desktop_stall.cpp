// An owner that never answers: how fast the window answers the window
// manager's ping while the read waits, and how soon the next copy of a healthy
// program is in the list.

#include "benchsupport.h"
#include "desktopfixture.h"
#include "wmping.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {
constexpr int kRuns = 15;
constexpr int kPingsPerRun = 10;

void report(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.empty() || v.front() < 0) {
        std::printf("%-44s no answer in some runs\n", what);
        return;
    }
    std::printf("%-44s median %7.1f ms   max %7.1f   (%zu samples)\n", what, BenchSupport::median(v), v.back(),
                v.size());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    if (!BenchSupport::startOrExplain(fx))
        return 1;
    const QStringList windows = fx.session().visibleWindows(QStringLiteral("^Stashbox$"));
    if (windows.size() != 1) {
        std::fprintf(stderr, "cannot find the program's window\n");
        return 1;
    }
    WmPing ping(fx.session().display());
    std::vector<double> pings;
    std::vector<double> nextCopy;
    for (int run = 0; run < kRuns; ++run) {
        ClipOwnerProcess& silent = fx.newOwner();
        silent.offerText(QStringLiteral("never delivered %1").arg(run))
            .neverAnswer(QStringLiteral("UTF8_STRING"))
            .neverAnswer(QStringLiteral("text/plain;charset=utf-8"))
            .neverAnswer(QStringLiteral("text/plain"));
        if (!fx.start(silent) || !silent.waitForDataRequest(10000)) {
            std::fprintf(stderr, "the silent owner was not asked: %s\n", qPrintable(fx.error()));
            return 1;
        }
        for (int i = 0; i < kPingsPerRun; ++i) {
            pings.push_back(ping.ping(windows.front(), 10000));
            QThread::msleep(20);
        }
        const QString healthy = QStringLiteral("healthy copy %1").arg(run);
        ClipOwnerProcess* good = fx.copyText(healthy);
        ProbeState s;
        if (!good || !fx.waitForTopText(healthy, 30000, &s)) {
            nextCopy.push_back(-1);
            continue;
        }
        // The probe is polled every half millisecond or so; its write follows the item at once.
        nextCopy.push_back(double(BenchSupport::monotonicNs() - good->ownedSinceNs()) / 1e6);
    }
    std::printf("owner that never answers, %d runs\n", kRuns);
    report("window's ping answer while the read waits", pings);
    report("healthy copy after it: owner -> in the list", nextCopy);
    fx.endCase(QString(), false);
    return 0;
}
