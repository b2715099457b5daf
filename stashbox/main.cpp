#include "frmtrove.h"
#include "qtclipboardport.h"
#include "qtdialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stashbox"));
    QApplication::setApplicationVersion(QStringLiteral(STASHBOX_VERSION));

    QtClipboardPort clipboard;
    QtDialogs dialogs;
    frmTrove window(clipboard, dialogs);
    dialogs.setParent(&window);
    window.load();
    window.show();
    return app.exec();
}
