// The stalled-owner figures in a Wayland session (headless sway with XWayland; the clipboard through
// data-control): a Wayland owner that never hands over its text; how fast the window answers the
// window manager's ping while that read waits, and how soon the next copy is in the list.

#include "benchsupport.h"
#include "clipownerprocess.h"
#include "stashboxapp.h"
#include "waylandsession.h"
#include "wmping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
    WaylandSession session(true);
    QString why;
    StashboxApp stashbox(session);
    if (!session.start(&why) || !stashbox.start(&why)) {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(why));
        return 1;
    }
    const QStringList windows = QString::fromUtf8(session
                                                      .run(QStringLiteral("xdotool"),
                                                           {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                            QStringLiteral("--name"), QStringLiteral("^Stashbox$")})
                                                      .output)
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (windows.size() != 1) {
        std::fprintf(stderr, "cannot find the program's window\n");
        return 1;
    }
    WmPing ping(session.display());
    std::vector<double> pings;
    std::vector<double> nextCopy;
    std::vector<std::unique_ptr<ClipOwnerProcess>> owners;
    for (int run = 0; run < kRuns; ++run) {
        auto& silent =
            *owners.emplace_back(std::make_unique<ClipOwnerProcess>(session, WaylandSession::clipOwnerTool()));
        silent.offer(QStringLiteral("text/plain"), QByteArray("never delivered ") + QByteArray::number(run))
            .neverAnswer(QStringLiteral("text/plain"));
        if (!silent.start(&why) || !silent.waitForDataRequest(10000)) {
            std::fprintf(stderr, "the silent owner was not asked: %s\n", qPrintable(why));
            return 1;
        }
        for (int i = 0; i < kPingsPerRun; ++i) {
            pings.push_back(ping.ping(windows.front(), 10000));
            QThread::msleep(20);
        }
        const QString healthy = QStringLiteral("healthy copy %1").arg(run);
        auto& good = *owners.emplace_back(std::make_unique<ClipOwnerProcess>(session, WaylandSession::clipOwnerTool()));
        good.offer(QStringLiteral("text/plain"), healthy.toUtf8());
        if (!good.start(&why)
            || !stashbox.waitFor([&](const ProbeState& s) { return s.top() && s.top()->text == healthy; }, 10000)) {
            std::fprintf(stderr, "the healthy copy did not arrive: %s\n", qPrintable(why));
            return 1;
        }
        // From the moment the healthy owner held the selection until the item was in the list.
        nextCopy.push_back(double(BenchSupport::monotonicNs() - good.ownedSinceNs()) / 1e6);
    }
    std::printf("Wayland owner that never answers, %d runs\n", kRuns);
    report("window's ping answer while the read waits", pings);
    report("healthy copy after it: owner -> in the list", nextCopy);
    return 0;
}
