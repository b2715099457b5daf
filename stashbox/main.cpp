#include "appfolder.h"
#include "datafiles.h"
#include "dialogsport.h"
#include "frmtrove.h"
#include "listconstants.h"
#include "picturespill.h"
#include "qtclipboardport.h"
#include "qtdialogs.h"
#include "signalwatcher.h"
#include "singleinstance.h"

#include <QApplication>
#include <QSessionManager>
#include <QStandardPaths>

namespace {
int run(QApplication& app, QtDialogs& dialogs);
}

int main(int argc, char** argv)
{
    // The tray-icon control takes a window of its own for its icon's id; the controls beside it,
    // all drawn into the main window, need none.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral(STASHBOX_VERSION));
    QtDialogs dialogs;

    // Before anything else: a second copy must not touch the first one's settings or list.
    SingleInstance instance(QStringLiteral("stashbox"));
    if (!instance.acquire()) {
        dialogs.message(QStringLiteral("Stashbox is already running."), ProgramTitle, DialogsPort::Icon::Information,
                        DialogsPort::Buttons::Ok);
        return 0;
    }

    // Captured pictures wait on disk, not in memory; the folder is ours alone and goes with us.
    PictureSpill::enable(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                         + QStringLiteral("/stashbox"));
    const int rc = run(app, dialogs);
    PictureSpill::disable();
    return rc;
}

namespace {
int run(QApplication& app, QtDialogs& dialogs)
{
    QtClipboardPort clipboard;
    frmTrove window(clipboard, dialogs, AppFolder::userFilesFolder());
    dialogs.setParent(&window);
    if (const QString refusal = window.dataFiles().untrustedFiles(); !refusal.isEmpty()) {
        dialogs.message(refusal, ProgramTitle, DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
        return 1;
    }

    // A signal or the end of the session ends the program at once, whatever box is open, at start-up
    // or later: the boxes close, the window closes in order (saving the list) and every event loop
    // ends. Later boxes are not shown.
    const auto terminate = [&window, &dialogs] {
        dialogs.dismissAll();
        window.closeInOrder();
        QCoreApplication::exit(0);
    };
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, &window, terminate);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [terminate](QSessionManager&) { terminate(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &frmTrove::closeInOrder);

    window.load();
    // Ended while it started: there is nothing more to run.
    if (window.isClosed())
        return 0;
    // Without its buttons and check boxes the window cannot be used. They are made once the window
    // is on the screen.
    if (!window.controlProblems().isEmpty()) {
        dialogs.message(QStringLiteral("Stashbox cannot start: its controls are missing or damaged.\n")
                            + window.controlProblems().join(QLatin1Char('\n')),
                        ProgramTitle, DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
        return 1;
    }
    return app.exec();
}
} // namespace
