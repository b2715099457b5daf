// Capture latency: from the moment another program owns the clipboard until
// the new item is in the list (the program's probe has been rewritten).

#include "benchsupport.h"
#include "desktopfixture.h"
#include "sampleimages.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

constexpr int kRuns = 15;

// Milliseconds from ownership to the item, or a negative value on timeout.
double measureOnce(DesktopFixture& fx, const std::function<void(ClipOwnerProcess&)>& fill)
{
    const auto before = fx.app().state();
    if (!before)
        return -1;
    ClipOwnerProcess& owner = fx.newOwner();
    fill(owner);
    if (!fx.start(owner))
        return -1;
    const qint64 deadline = BenchSupport::monotonicNs() + 30'000'000'000LL;
    while (BenchSupport::monotonicNs() < deadline) {
        const auto now = fx.app().state();
        if (now && now->seq > before->seq && now->count >= before->count && now->top()
            && (!before->top() || now->top()->text != before->top()->text || now->top()->data != before->top()->data)) {
            return double(BenchSupport::monotonicNs() - owner.ownedSinceNs()) / 1e6;
        }
        QThread::usleep(500);
    }
    return -1;
}

void report(const char* what, std::vector<double> samples)
{
    std::vector<double> ok;
    for (double v : samples)
        if (v >= 0)
            ok.push_back(v);
    if (ok.empty()) {
        std::printf("%-34s no capture within 30 s\n", what);
        return;
    }
    std::sort(ok.begin(), ok.end());
    std::printf("%-34s median %8.1f ms   min %8.1f   max %8.1f   (%zu of %zu runs)\n", what, BenchSupport::median(ok),
                ok.front(), ok.back(), ok.size(), samples.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    if (!BenchSupport::startOrExplain(fx))
        return 1;

    std::printf("capture latency, %d runs each (owner takes the clipboard -> item in the list)\n", kRuns);

    std::vector<double> shortText;
    for (int i = 0; i < kRuns; ++i) {
        shortText.push_back(
            measureOnce(fx, [i](ClipOwnerProcess& o) { o.offerText(QStringLiteral("short text %1").arg(i)); }));
    }
    report("short text (20 bytes)", shortText);

    std::vector<double> longText;
    for (int i = 0; i < kRuns; ++i) {
        QString text = QStringLiteral("run %1 ").arg(i);
        while (text.size() < 1024 * 1024)
            text += QStringLiteral("a megabyte of copied text, line after line of it. ");
        text.truncate(1024 * 1024);
        longText.push_back(measureOnce(fx, [&text](ClipOwnerProcess& o) { o.offerText(text); }));
    }
    report("text of 1 MiB (INCR transfer)", longText);

    std::vector<QByteArray> pictures;
    for (int i = 0; i < kRuns; ++i)
        pictures.push_back(SampleImages::encode(SampleImages::noise(QSize(1920, 1080), 1000 + i)));
    std::vector<double> picture;
    for (int i = 0; i < kRuns; ++i) {
        picture.push_back(measureOnce(
            fx, [&pictures, i](ClipOwnerProcess& o) { o.offer(QStringLiteral("image/png"), pictures[i]); }));
    }
    char label[64];
    std::snprintf(label, sizeof label, "1920x1080 noise PNG (%.1f MB)", double(pictures.front().size()) / 1e6);
    report(label, picture);

    const auto last = fx.app().state();
    if (!fx.app().isAlive() || !last || last->count != 20)
        std::printf("warning: the list is not what it should be after the runs:\n%s\n",
                    last ? qPrintable(last->describe()) : "no probe");
    fx.endCase(QString(), false);
    return 0;
}
