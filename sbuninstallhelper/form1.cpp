#include "form1.h"

#include "cregistry.h"

void Form1::Form_Load()
{
    Cregistry registry;
    registry.setClassKey(winreg::HKEY_CURRENT_USER);
    registry.setSectionKey(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
    registry.setValueKey(QStringLiteral("Stashbox"));
    // Gone already or refused: either way there is nothing more this program can do.
    [[maybe_unused]] const bool deleted = registry.DeleteValue();
}
