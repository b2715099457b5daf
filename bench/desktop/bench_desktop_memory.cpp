// Resident memory of the program holding a full list with large pictures.

#include "benchsupport.h"
#include "desktopfixture.h"
#include "sampleimages.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    // The larger list, where the settings support it.
    if (!BenchSupport::startOrExplain(fx, {{QStringLiteral("pro"), QStringLiteral("100")}}))
        return 1;
    const qint64 pid = fx.app().pid();
    const auto first = fx.app().state();
    const int limit = first ? first->limit : 20;
    const qint64 emptyKb = BenchSupport::statusField(pid, "VmRSS");

    const int pictures = 20;
    const int items = limit; // 100 with the larger list, else 20 (all pictures)
    int pictureCount = 0;
    int made = 0;
    for (int i = 0; i < items; ++i) {
        ClipOwnerProcess& owner = fx.newOwner();
        const bool picture =
            items == pictures || (i % 5 == 4 && pictureCount < pictures) || (items - i <= pictures - pictureCount);
        if (picture) {
            owner.offer(QStringLiteral("image/png"),
                        SampleImages::encode(SampleImages::noise(QSize(1920, 1080), 5000 + pictureCount)));
            ++pictureCount;
        } else {
            owner.offerText(QStringLiteral("text item %1: ").arg(i) + QString(200, QLatin1Char('x')));
        }
        if (!fx.start(owner))
            break;
        const int expected = i + 1;
        if (!fx.app().waitFor([expected](const ProbeState& s) { return s.count == expected; }, 30000)) {
            std::fprintf(stderr, "item %d did not arrive\n", expected);
            break;
        }
        ++made;
    }
    const auto last = fx.app().state();
    const qint64 fullKb = BenchSupport::statusField(pid, "VmRSS");
    const qint64 peakKb = BenchSupport::statusField(pid, "VmHWM");

    std::printf("memory (VmRSS) of the program\n");
    if (limit != 100)
        std::printf("  note: the larger list is not available (limit %d after pro=100 in the settings file);\n"
                    "        measured %d items, all of them pictures\n",
                    limit, items);
    std::printf("  empty list                                  %8lld kB\n", emptyKb);
    std::printf("  %3d items, %2d of them 1920x1080 pictures     %8lld kB   (peak %lld kB)\n",
                last ? last->count : made, pictureCount, fullKb, peakKb);
    std::printf("  growth per picture (approx.)                %8.0f kB   (raw RGB32: %d kB)\n",
                pictureCount ? double(fullKb - emptyKb) / pictureCount : 0.0, 1920 * 1080 * 4 / 1024);
    fx.endCase(QString(), false);
    return made == items ? 0 : 1;
}
