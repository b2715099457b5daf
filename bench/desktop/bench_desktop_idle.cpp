// Wake-ups of an idle program: context switches over ten quiet seconds.

#include "benchsupport.h"
#include "desktopfixture.h"
#include "sampleimages.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    if (!BenchSupport::startOrExplain(fx))
        return 1;

    // Some content, as a real session would have.
    ClipOwnerProcess* text = fx.copyText(QStringLiteral("idle text"));
    ClipOwnerProcess& picture = fx.newOwner();
    picture.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(300, 200), 1)));
    if (!text || !fx.waitForTopText(QStringLiteral("idle text"), 10000) || !fx.start(picture)
        || !fx.app().waitFor([](const ProbeState& s) { return s.count == 2; }, 10000)) {
        std::fprintf(stderr, "cannot prepare: %s\n", qPrintable(fx.error()));
        return 1;
    }

    // The pointer away from the window, so no hover tracking runs.
    const auto state = fx.app().state();
    QRect window = state ? state->controls.value(QStringLiteral("frmTrove")) : QRect();
    QPoint away(1270, 10);
    if (window.contains(away))
        away = QPoint(10, 1010);
    fx.session().moveMouse(away);
    QThread::sleep(2);

    const qint64 pid = fx.app().pid();
    const int seconds = 10;
    const auto before = BenchSupport::contextSwitchesByThread(pid);
    QThread::sleep(seconds);
    const auto after = BenchSupport::contextSwitchesByThread(pid);

    qint64 total = 0;
    std::printf("idle program, %d s without input or clipboard changes\n", seconds);
    for (auto it = after.begin(); it != after.end(); ++it) {
        const qint64 delta = it.value() - before.value(it.key(), 0);
        total += delta;
        std::printf("  thread %-28s %6lld context switches\n", qPrintable(it.key()), delta);
    }
    std::printf("total                                   %6lld context switches (%.1f per second)\n", total,
                double(total) / seconds);
    fx.endCase(QString(), false);
    return 0;
}
