// sbuninstallHelper: run once by the product's uninstaller to remove the entry that starts
// Stashbox at login. No window, no output, no arguments; it needs no display.
#include "form1.h"

#include <QtGlobal>

namespace {

void discardMessage(QtMsgType, const QMessageLogContext&, const QString&)
{
}

} // namespace

int main()
{
    qInstallMessageHandler(discardMessage);
    Form1 form;
    form.Form_Load();
    return 0;
}
