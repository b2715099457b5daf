// Start-up cost: how long after its launch the program's window is on the screen, side by side
// with a bare Qt window, and the program's memory once it has started. Both are launched in turn
// on the same private desktop; "shown" is the first window the X server maps for the process.

#include "benchsupport.h"
#include "managedprocess.h"
#include "rigpaths.h"
#include "xsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xlib.h>
#include <poll.h>

#include <cstdio>

namespace {
constexpr int kRounds = 25;
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
};

// Launches the program and waits for the first window mapped on the screen after it.
Run launchAndMeasure(Display* display, const QString& program, const QProcessEnvironment& env)
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
    QThread::msleep(kSettleMs);
    run.rssKb = BenchSupport::statusField(process.pid(), "VmRSS");
    process.stop();
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
    XCloseDisplay(display);

    const double ratio = BenchSupport::median(stashboxMs) / BenchSupport::median(bareMs);
    std::printf("start-up, launch to window shown (median of %d rounds, side by side)\n", kRounds);
    std::printf("  bare Qt window            %7.1f ms   %7.0f kB VmRSS\n", BenchSupport::median(bareMs),
                BenchSupport::median(bareKb));
    std::printf("  Stashbox (retracted)      %7.1f ms   %7.0f kB VmRSS\n", BenchSupport::median(stashboxMs),
                BenchSupport::median(stashboxKb));
    std::printf("  ratio                     %7.2f      (target 1.30; memory target 40960 kB)\n", ratio);
    return 0;
}
