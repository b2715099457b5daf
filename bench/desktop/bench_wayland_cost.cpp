// What a copy costs the program in a Wayland session (headless sway; the clipboard through
// data-control): the requests each copy makes of its owner (one per type it stores), the CPU per
// copy for a burst of text copies, and the CPU of one full-HD picture from the change until it is
// in the list.

#include "benchsupport.h"
#include "clipownerprocess.h"
#include "sampleimages.h"
#include "stashboxapp.h"
#include "waylandsession.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {
constexpr int kBurst = 10;
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
    QThread::msleep(2500); // the first write after the start is done
    const qint64 pid = stashbox.pid();
    std::vector<std::unique_ptr<ClipOwnerProcess>> owners;
    const auto copy = [&](const QList<QPair<QString, QByteArray>>& types) -> ClipOwnerProcess* {
        const auto before = stashbox.state();
        auto& owner =
            *owners.emplace_back(std::make_unique<ClipOwnerProcess>(session, WaylandSession::clipOwnerTool()));
        for (const auto& [type, bytes] : types)
            owner.offer(type, bytes);
        if (!before || !owner.start(&why)
            || !stashbox.waitFor([&](const ProbeState& s) { return s.count == before->count + 1; }, 30000))
            return nullptr;
        return &owner;
    };

    // Text offered as Wayland programs do, with its rich text beside it for half the copies.
    int requests = 0;
    int repeated = 0;
    const qint64 cpuBefore = BenchSupport::cpuNs(pid);
    for (int i = 0; i < kBurst; ++i) {
        const QByteArray text = "copy " + QByteArray::number(i) + " of the burst";
        QList<QPair<QString, QByteArray>> types = {{QStringLiteral("text/plain;charset=utf-8"), text},
                                                   {QStringLiteral("text/plain"), text},
                                                   {QStringLiteral("UTF8_STRING"), text}};
        if (i % 2)
            types.prepend({QStringLiteral("text/rtf"), "{\\rtf1 " + text + "\\par}"});
        ClipOwnerProcess* owner = copy(types);
        if (!owner) {
            std::fprintf(stderr, "copy %d not taken: %s\n", i, qPrintable(why));
            return 1;
        }
        requests += int(owner->requests().size());
        repeated += int(owner->repeatedTargets().size());
    }
    QThread::msleep(3000);
    const double cpuMs = double(BenchSupport::cpuNs(pid) - cpuBefore) / 1e6;
    std::printf("burst of %d text copies (half with rich text): %d requests of their owners (%d asked twice), "
                "CPU %.2f ms per copy\n",
                kBurst, requests, repeated, cpuMs / kBurst);

    std::vector<double> taken;
    qint64 bytes = 0;
    for (int run = 0; run < 5; ++run) {
        const QByteArray png = SampleImages::encode(SampleImages::noise(QSize(1920, 1080), 500 + run));
        bytes = png.size();
        const qint64 cpu0 = BenchSupport::cpuNs(pid);
        if (!copy({{QStringLiteral("image/png"), png}}))
            return 1;
        QThread::msleep(300);
        taken.push_back(double(BenchSupport::cpuNs(pid) - cpu0) / 1e6);
        QThread::msleep(2500); // the list and the picture on disk, outside the figure
    }
    std::printf("1920x1080 picture (%.1f MB PNG), 5 runs: CPU from the change until it is in the list: median "
                "%.1f ms (max %.1f)\n",
                double(bytes) / 1e6, BenchSupport::median(taken), *std::max_element(taken.begin(), taken.end()));
    return 0;
}
