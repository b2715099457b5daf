// What a copy costs the program: CPU and disk writes for a burst of ten copies
// with the list kept on disk as it changes (save on exit on) and without it
// (off), and the CPU of one full-HD picture from the change until it is stored.

#include "benchsupport.h"
#include "desktopfixture.h"
#include "rigpaths.h"
#include "sampleimages.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
constexpr int kBurst = 10;

// Counts the list files renamed into place in the autosave folder.
class ReplaceCounter
{
public:
    explicit ReplaceCounter(const QString& folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~ReplaceCounter() { ::close(m_fd); }
    int listReplaced()
    {
        alignas(inotify_event) char buf[8192];
        for (ssize_t n; (n = ::read(m_fd, buf, sizeof buf)) > 0;) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<inotify_event*>(p);
                m_replaced += (e->mask & IN_MOVED_TO) && e->len && QByteArray(e->name) == "session.sbt";
                m_written += (e->mask & IN_CLOSE_WRITE) != 0;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return m_replaced;
    }
    int filesWritten() const { return m_written; }

private:
    int m_fd;
    int m_replaced = 0;
    int m_written = 0;
};

bool burst(DesktopFixture& fx, const char* label, bool keepsList)
{
    if (!fx.startApp(keepsList ? DesktopFixture::Settings{}
                               : DesktopFixture::Settings{{QStringLiteral("saveonexit"), QStringLiteral("none")}})) {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(fx.error()));
        return false;
    }
    const QString folder =
        fx.app().folder() + QStringLiteral("/{E098A55430BFFEE0816A628E}{") + RigPaths::loginName() + QLatin1Char('}');
    QDir().mkpath(folder);
    QThread::msleep(2500); // the first write after the start is done
    ReplaceCounter counter(folder);
    const qint64 pid = fx.app().pid();
    const qint64 cpuBefore = BenchSupport::cpuNs(pid);
    for (int i = 0; i < kBurst; ++i) {
        const QString text = QStringLiteral("copy %1 of the burst, %2").arg(i).arg(QLatin1String(label));
        if (!fx.copyText(text) || !fx.waitForTopText(text, 10000)) {
            std::fprintf(stderr, "copy %d not taken: %s\n", i, qPrintable(fx.error()));
            return false;
        }
    }
    QThread::msleep(3000);
    const double cpuMs = double(BenchSupport::cpuNs(pid) - cpuBefore) / 1e6;
    const int replaced = counter.listReplaced();
    std::printf("burst of %d text copies, %-22s list written %d times (%d files), CPU %.2f ms per copy\n", kBurst,
                label, replaced, counter.filesWritten(), cpuMs / kBurst);
    fx.endCase(QString(), false);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    if (!BenchSupport::startSessionOrExplain(fx))
        return 1;
    if (!burst(fx, "list kept on disk:", true) || !burst(fx, "save on exit off:", false))
        return 1;

    if (!fx.startApp())
        return 1;
    QThread::msleep(2500);
    const qint64 pid = fx.app().pid();
    std::vector<double> taken;
    std::vector<double> written;
    qint64 bytes = 0;
    for (int run = 0; run < 5; ++run) {
        const QByteArray png = SampleImages::encode(SampleImages::noise(QSize(1920, 1080), 500 + run));
        bytes = png.size();
        const auto before = fx.app().state();
        const qint64 cpu0 = BenchSupport::cpuNs(pid);
        ClipOwnerProcess& owner = fx.newOwner();
        owner.offer(QStringLiteral("image/png"), png);
        if (!before || !fx.start(owner)
            || !fx.app().waitFor([&](const ProbeState& s) { return s.count == before->count + 1; }, 30000))
            return 1;
        QThread::msleep(300);
        const qint64 cpu1 = BenchSupport::cpuNs(pid);
        QThread::msleep(2500); // the list and the picture on disk
        taken.push_back(double(cpu1 - cpu0) / 1e6);
        written.push_back(double(BenchSupport::cpuNs(pid) - cpu1) / 1e6);
    }
    std::printf("1920x1080 picture (%.1f MB PNG), 5 runs: CPU from the change until it is in the list: median "
                "%.1f ms (max %.1f); writing it to disk: median %.1f ms\n",
                double(bytes) / 1e6, BenchSupport::median(taken), *std::max_element(taken.begin(), taken.end()),
                BenchSupport::median(written));
    fx.endCase(QString(), false);
    return 0;
}
