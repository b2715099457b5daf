// Start-up cost: how long after its launch the program's window is on the screen, side by side
// with a bare Qt window, and the program's memory once it has started. Both are launched in turn
// on the same private desktop; "shown" is the first window the X server maps for the process.

#include "benchsupport.h"
#include "listfile.h"
#include "managedprocess.h"
#include "probestate.h"
#include "rigpaths.h"
#include "sampleimages.h"
#include "xsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xlib.h>
// Xlib's macro of that name would take the list file's Status.
#undef Status
#include <poll.h>

#include <cstdio>

namespace {
constexpr int kRounds = 25;
constexpr int kHeavyRounds = 5;
constexpr int kMapTimeoutMs = 15000;
// How long the program may settle before its memory is read.
constexpr int kSettleMs = 1500;

// A private copy of the program's folder, greeted already, and a home of its own.
class ProgramCopy
{
public:
    bool prepare(QString* error)
    {
        const QDir from(RigPaths::appDir());
        if (!m_temp.isValid() || !QDir().mkpath(folder()) || !QDir().mkpath(m_temp.filePath("home/runtime"))) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        QFile::setPermissions(m_temp.filePath("home/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const QString& name : from.entryList(QDir::Files)) {
            if (name.startsWith(RigPaths::loginName() + QLatin1Char('.')))
                continue;
            if (!QFile::copy(from.filePath(name), QDir(folder()).filePath(name))) {
                *error = QStringLiteral("cannot copy %1").arg(name);
                return false;
            }
        }
        QFile marker(QDir(folder()).filePath(RigPaths::loginName() + QStringLiteral(".welcomed")));
        return marker.open(QIODevice::WriteOnly);
    }
    QString folder() const { return m_temp.filePath(QStringLiteral("app")); }
    QProcessEnvironment environment(const XSession& session) const
    {
        QProcessEnvironment env = session.environment();
        const QString home = m_temp.filePath(QStringLiteral("home"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
        return env;
    }

private:
    QTemporaryDir m_temp;
};

struct Run
{
    double shownMs = -1;
    qint64 rssKb = -1;
    double filledMs = -1;
    qint64 peakKb = -1;
};

// A saved list as a long day leaves it, written as the autosave of an orderly close: 20 items, two
// of them 10 MiB texts and three full-HD pictures. Returns the bytes the list holds in memory
// (texts once, as the program holds them; pictures wait on disk).
qint64 writeHeavyList(const QString& appFolder, qint64* onDisk)
{
    const QString folder =
        appFolder + QStringLiteral("/{E098A55430BFFEE0816A628E}{") + RigPaths::loginName() + QLatin1Char('}');
    QDir().mkpath(folder + QStringLiteral("/temp.sbt_Data"));
    ListFile::Contents list;
    list.rows.resize(20);
    qint64 memory = 0;
    *onDisk = 0;
    for (int r = 0; r < 20; ++r) {
        if (r < 2) {
            QString text = QStringLiteral("heavy %1 ").arg(r);
            while (text.size() < 10 * 1024 * 1024)
                text += QStringLiteral("The quick brown fox jumps over the lazy dog, again and again.\n");
            list.rows[r] = {QStringLiteral("Text"), {text, QString(), text}, 235};
            memory += text.size() * 2;
        } else if (r < 5) {
            const QString name = QStringLiteral("1209261200%1").arg(r, 2, 10, QLatin1Char('0'));
            const QByteArray png = SampleImages::encode(SampleImages::noise(QSize(1920, 1080), quint32(r)));
            QFile file(folder + QStringLiteral("/temp.sbt_Data/") + name);
            if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
                return -1;
            *onDisk += png.size();
            list.rows[r] = {QStringLiteral("Bitmap"), {QStringLiteral("IMAGE"), QString::number(r), name}, 235};
        } else {
            const QString text = QStringLiteral("short item %1").arg(r);
            list.rows[r] = {QStringLiteral("Text"), {text, QString(), text}, 235};
            memory += text.size() * 2;
        }
    }
    if (ListFile::write(folder + QStringLiteral("/temp.sbt"), list) != ListFile::Status::Ok)
        return -1;
    *onDisk += QFileInfo(folder + QStringLiteral("/temp.sbt")).size();
    return memory;
}

// Launches the program and waits for the first window mapped on the screen after it; with
// `items`, also until its list holds that many (read from its state file).
Run launchAndMeasure(Display* display, const QString& program, const QProcessEnvironment& env, int items = -1)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    ManagedProcess process;
    process.setEnvironment(env);
    process.discardOutput();
    Run run;
    const qint64 start = BenchSupport::monotonicNs();
    if (!process.start(program, {}))
        return run;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    while (run.shownMs < 0 && BenchSupport::monotonicNs() - start < qint64(kMapTimeoutMs) * 1000000) {
        while (run.shownMs < 0 && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify)
                run.shownMs = double(BenchSupport::monotonicNs() - start) / 1e6;
        }
        if (run.shownMs < 0)
            poll(&fd, 1, 20);
    }
    if (items >= 0) {
        const QString stateFile = env.value(QStringLiteral("STASHBOX_STATE_FILE"));
        while (run.filledMs < 0 && BenchSupport::monotonicNs() - start < qint64(60000) * 1000000) {
            const auto state = ProbeState::read(stateFile);
            if (state && state->pid == process.pid() && state->count == items)
                run.filledMs = double(BenchSupport::monotonicNs() - start) / 1e6;
            else
                QThread::msleep(10);
        }
    }
    QThread::msleep(kSettleMs);
    run.rssKb = BenchSupport::statusField(process.pid(), "VmRSS");
    run.peakKb = BenchSupport::statusField(process.pid(), "VmHWM");
    process.stop(30000);
    XSelectInput(display, DefaultRootWindow(display), NoEventMask);
    return run;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    XSession session;
    QString error;
    ProgramCopy copy;
    if (!session.start(&error) || !copy.prepare(&error)) {
        std::fprintf(stderr, "cannot measure: %s\n", qPrintable(error));
        return 1;
    }
    Display* display = XOpenDisplay(session.display().toLocal8Bit().constData());
    if (!display) {
        std::fprintf(stderr, "cannot open the display %s\n", qPrintable(session.display()));
        return 1;
    }
    const QString stashbox = QDir(copy.folder()).filePath(QStringLiteral("stashbox"));
    const QString bare = QStringLiteral(BARE_WINDOW);
    // The first launches fill the caches of both; they are not counted.
    launchAndMeasure(display, bare, copy.environment(session));
    launchAndMeasure(display, stashbox, copy.environment(session));

    std::vector<double> bareMs, stashboxMs, bareKb, stashboxKb;
    for (int i = 0; i < kRounds; ++i) {
        const Run b = launchAndMeasure(display, bare, copy.environment(session));
        const Run s = launchAndMeasure(display, stashbox, copy.environment(session));
        if (b.shownMs < 0 || s.shownMs < 0) {
            std::fprintf(stderr, "round %d: a window did not appear\n", i + 1);
            return 1;
        }
        bareMs.push_back(b.shownMs);
        stashboxMs.push_back(s.shownMs);
        bareKb.push_back(double(b.rssKb));
        stashboxKb.push_back(double(s.rssKb));
    }

    const double ratio = BenchSupport::median(stashboxMs) / BenchSupport::median(bareMs);
    std::printf("start-up, launch to window shown (median of %d rounds, side by side)\n", kRounds);
    std::printf("  bare Qt window            %7.1f ms   %7.0f kB VmRSS\n", BenchSupport::median(bareMs),
                BenchSupport::median(bareKb));
    std::printf("  Stashbox (retracted)      %7.1f ms   %7.0f kB VmRSS\n", BenchSupport::median(stashboxMs),
                BenchSupport::median(stashboxKb));
    std::printf("  ratio                     %7.2f      (target 1.30; memory target 40960 kB)\n", ratio);

    // A heavy saved list against an empty one, in turns: the list is read and written back at
    // every start and close.
    ProgramCopy heavy;
    qint64 onDisk = 0;
    const qint64 listBytes = heavy.prepare(&error) ? writeHeavyList(heavy.folder(), &onDisk) : -1;
    if (listBytes < 0) {
        std::fprintf(stderr, "cannot write the heavy list: %s\n", qPrintable(error));
        return 1;
    }
    QProcessEnvironment emptyEnv = copy.environment(session);
    QProcessEnvironment heavyEnv = heavy.environment(session);
    emptyEnv.insert(QStringLiteral("STASHBOX_STATE_FILE"), copy.folder() + QStringLiteral("/state.json"));
    heavyEnv.insert(QStringLiteral("STASHBOX_STATE_FILE"), heavy.folder() + QStringLiteral("/state.json"));
    const QString heavyProgram = QDir(heavy.folder()).filePath(QStringLiteral("stashbox"));
    std::vector<double> emptyShown, heavyShown, emptyFilled, heavyFilled, emptyPeak, heavyPeak;
    for (int i = 0; i < kHeavyRounds; ++i) {
        const Run e = launchAndMeasure(display, stashbox, emptyEnv, 0);
        const Run h = launchAndMeasure(display, heavyProgram, heavyEnv, 20);
        if (e.shownMs < 0 || h.shownMs < 0 || h.filledMs < 0) {
            std::fprintf(stderr, "heavy round %d: a window or the list did not appear\n", i + 1);
            return 1;
        }
        emptyShown.push_back(e.shownMs);
        heavyShown.push_back(h.shownMs);
        emptyFilled.push_back(e.filledMs);
        heavyFilled.push_back(h.filledMs);
        emptyPeak.push_back(double(e.peakKb));
        heavyPeak.push_back(double(h.peakKb));
    }
    XCloseDisplay(display);
    std::printf("start with a heavy saved list (20 items: two 10 MiB texts, three full-HD pictures; %.1f MB on "
                "disk, %.1f MiB in memory), median of %d rounds beside an empty start\n",
                double(onDisk) / 1e6, double(listBytes) / 1048576.0, kHeavyRounds);
    std::printf("  empty list       shown %7.1f ms   list in place %7.1f ms   peak %7.0f kB VmHWM\n",
                BenchSupport::median(emptyShown), BenchSupport::median(emptyFilled), BenchSupport::median(emptyPeak));
    std::printf("  heavy list       shown %7.1f ms   list in place %7.1f ms   peak %7.0f kB VmHWM\n",
                BenchSupport::median(heavyShown), BenchSupport::median(heavyFilled), BenchSupport::median(heavyPeak));
    std::printf("  shown ratio      %7.2f (target 1.5); peak above the empty start %.0f kB (the list: %.0f kB)\n",
                BenchSupport::median(heavyShown) / BenchSupport::median(emptyShown),
                BenchSupport::median(heavyPeak) - BenchSupport::median(emptyPeak), double(listBytes) / 1024.0);
    return 0;
}
