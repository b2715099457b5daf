// From the moment another program owns the clipboard until it is asked for the
// text: the program beside a bare Qt program that reads the text of every
// change, in turns on the same desktop.

#include "benchsupport.h"
#include "desktopfixture.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {
constexpr int kRounds = 3;
constexpr int kCopies = 10;

// Milliseconds from ownership to the first request of a text type, per copy.
void measure(DesktopFixture& fx, const QString& who, std::vector<double>* out)
{
    for (int i = 0; i < kCopies; ++i) {
        ClipOwnerProcess& owner = fx.newOwner();
        owner.offerText(QStringLiteral("%1 copy %2").arg(who).arg(i));
        if (!fx.start(owner) || !owner.waitForDataRequest(10000))
            continue;
        for (const ClipOwnerProcess::Request& r : owner.requests()) {
            if (r.target != QLatin1String("TARGETS") && r.target != QLatin1String("TIMESTAMP")) {
                out->push_back(double(r.atNs - owner.ownedSinceNs()) / 1e6);
                break;
            }
        }
        QThread::msleep(50);
    }
}

void report(const char* what, const std::vector<double>& v)
{
    std::printf("%-24s median %6.2f ms   min %6.2f   (%zu copies)\n", what, BenchSupport::median(v),
                v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()), v.size());
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    if (!BenchSupport::startSessionOrExplain(fx))
        return 1;
    std::vector<double> stashbox;
    std::vector<double> bare;
    for (int round = 0; round < kRounds; ++round) {
        if (!fx.startApp()) {
            std::fprintf(stderr, "cannot start: %s\n", qPrintable(fx.error()));
            return 1;
        }
        measure(fx, QStringLiteral("stashbox"), &stashbox);
        fx.endCase(QString(), false);

        ManagedProcess* reader = fx.session().startHelper(QStringLiteral(BARE_QT_READER), {});
        if (!reader) {
            std::fprintf(stderr, "cannot start the bare Qt reader\n");
            return 1;
        }
        QThread::msleep(500);
        measure(fx, QStringLiteral("bare"), &bare);
        fx.session().stopHelpers();
    }
    std::printf("owner takes the clipboard -> first request for the text, %d rounds in turns\n", kRounds);
    report("stashbox", stashbox);
    report("bare Qt reader", bare);
    return 0;
}
