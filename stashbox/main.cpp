#include "appfolder.h"
#include "clipboardbackend.h"
#include "controlchannel.h"
#include "datafiles.h"
#include "dialogsport.h"
#include "frmtrove.h"
#include "listconstants.h"
#include "listreport.h"
#include "picturespill.h"
#include "qtdialogs.h"
#include "remotecontrol.h"
#include "signalwatcher.h"
#include "singleinstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QSessionManager>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>
#include <optional>

namespace {
int run(QApplication& app, QtDialogs& dialogs, const std::optional<ControlChannel::Request>& request,
        const DesktopSession& session, ClipboardBackend backend);
int sendToRunningCopy(const ControlChannel::Request& request);
int printSavedList(int argc, char** argv, bool json);
bool writeOut(const QByteArray& bytes);
} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(arguments);
    switch (line.action) {
    case CommandLine::Action::Invalid:
        std::fprintf(stderr, "stashbox: %s\nTry 'stashbox --help' for the commands.\n", qPrintable(line.error));
        return 2;
    case CommandLine::Action::Help: return writeOut(CommandLine::usage()) ? 0 : 1;
    case CommandLine::Action::Version: {
        const DesktopSession session = DesktopSession::current();
        const QString clipboard = describeClipboardBackend(chooseClipboardBackend(session), session);
        return writeOut("Stashbox " STASHBOX_VERSION "\nClipboard: " + clipboard.toUtf8() + '\n') ? 0 : 1;
    }
    case CommandLine::Action::Start:
    case CommandLine::Action::Command: break;
    }

    // Before anything else: a second copy must not touch the first one's settings or list. A
    // command goes to the copy that holds the lock.
    SingleInstance instance(QStringLiteral("stashbox"));
    const bool first = instance.acquire();
    std::optional<ControlChannel::Request> request;
    if (line.action == CommandLine::Action::Command) {
        if (!first)
            return sendToRunningCopy(line.request);
        if (!line.startsProgram()) {
            if (line.request.command == "hide") {
                std::fputs("stashbox: Stashbox is not running.\n", stderr);
                return 1;
            }
            return printSavedList(argc, argv, line.request.command == "list-json");
        }
        // This copy starts the program and then does what was asked.
        request = line.request;
    }

    // The desktop decides the clipboard and the windowing platform, once, before anything starts.
    const DesktopSession session = DesktopSession::current();
    ClipboardBackend backend = chooseClipboardBackend(session);
    const QByteArray platform = preferredQtPlatform(session);
    if (!platform.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", platform);

    // The tray-icon control takes a window of its own for its icon's id; the controls beside it,
    // all drawn into the main window, need none.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral(STASHBOX_VERSION));
    QtDialogs dialogs;
    if (!first) {
        dialogs.message(QStringLiteral("Stashbox is already running."), ProgramTitle, DialogsPort::Icon::Information,
                        DialogsPort::Buttons::Ok);
        return 0;
    }

    // Captured pictures wait on disk, not in memory; the folder is ours alone and goes with us.
    PictureSpill::enable(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                         + QStringLiteral("/stashbox"));
    const int rc = run(app, dialogs, request, session, backend);
    PictureSpill::disable();
    return rc;
}

namespace {
int run(QApplication& app, QtDialogs& dialogs, const std::optional<ControlChannel::Request>& request,
        const DesktopSession& session, ClipboardBackend backend)
{
    const std::unique_ptr<ClipboardPort> clipboard = makeClipboardPort(backend);
    std::fprintf(stderr, "stashbox: clipboard: %s\n", qPrintable(describeClipboardBackend(backend, session)));
    frmTrove window(*clipboard, dialogs, AppFolder::userFilesFolder());
    dialogs.setParent(&window);
    if (const QString refusal = window.dataFiles().untrustedFiles(); !refusal.isEmpty()) {
        dialogs.message(refusal, ProgramTitle, DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
        return 1;
    }

    // A signal or the end of the session ends the program at once, whatever box is open, at start-up
    // or later: the boxes close, the window closes in order (saving the list) and every event loop
    // ends. Later boxes are not shown.
    // A list that could not be written is reported on standard error, and the status says so.
    const auto terminate = [&window, &dialogs] {
        dialogs.dismissAll();
        window.closeInOrder();
        QCoreApplication::exit(window.exitStatus());
    };
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, &window, terminate);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [terminate](QSessionManager&) { terminate(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &frmTrove::closeInOrder);

    // Commands from a shell, once the window is set up; a command given at start then runs.
    ControlChannel::Server control(ControlChannel::defaultPath());
    window.load([&window, &control, &request] {
        control.handler = [&window](const ControlChannel::Request& r) { return window.command(r); };
        if (QString error; !control.listen(&error))
            std::fprintf(stderr, "Stashbox: commands from a shell cannot reach it: %s\n", qPrintable(error));
        if (!request)
            return;
        if (const ControlChannel::Answer answer = window.command(*request); !answer.ok)
            std::fprintf(stderr, "stashbox: %s\n", answer.text.constData());
    });
    // Ended while it started: there is nothing more to run.
    if (window.isClosed())
        return window.exitStatus();
    // Without its buttons and check boxes the window cannot be used. They are made once the window
    // is on the screen.
    if (!window.controlProblems().isEmpty()) {
        dialogs.message(QStringLiteral("Stashbox cannot start: its controls are missing or damaged.\n")
                            + window.controlProblems().join(QLatin1Char('\n')),
                        ProgramTitle, DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
        return 1;
    }
    // What this desktop cannot do is said once, in a box that waits for nobody.
    if (const QStringList notes = sessionNotes(backend, session, QGuiApplication::platformName()); !notes.isEmpty())
        dialogs.notice(notes.join(QStringLiteral("\n\n")), ProgramTitle);
    const int status = app.exec();
    return status != 0 ? status : window.exitStatus();
}

bool writeOut(const QByteArray& bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
}

// The running copy holds the lock from its start, and listens once its window is set up: a copy
// that is still starting is given a few seconds.
int sendToRunningCopy(const ControlChannel::Request& request)
{
    const QString path = ControlChannel::defaultPath();
    const QDeadlineTimer deadline(10000);
    ControlChannel::Answer answer;
    QString error;
    while (!ControlChannel::send(path, request, &answer, &error, 10000)) {
        if (!ControlChannel::untrustedReason(path).isEmpty() || deadline.hasExpired()) {
            std::fprintf(stderr, "stashbox: the running Stashbox cannot be reached: %s\n", qPrintable(error));
            return 1;
        }
        QThread::msleep(50);
    }
    if (!answer.ok) {
        std::fprintf(stderr, "stashbox: %s\n", answer.text.constData());
        return 1;
    }
    return writeOut(answer.text) ? 0 : 1;
}

// With no copy running, the list is the one it saved.
int printSavedList(int argc, char** argv, bool json)
{
    QCoreApplication app(argc, argv);
    ListFile::Contents contents;
    QString file;
    if (const QString error =
            DataFiles::readSaved(AppFolder::userFilesFolder(), AppFolder::userName(), &contents, &file);
        !error.isEmpty()) {
        std::fprintf(stderr, "stashbox: the saved list cannot be read: %s\n", qPrintable(error));
        return 1;
    }
    const ListReport::PictureLookup pictures = ListReport::pictureFolderOf(file);
    return writeOut(json ? ListReport::json(file, contents, pictures) : ListReport::lines(contents, pictures)) ? 0 : 1;
}
} // namespace
