#include "desktopkeyboard.h"

#ifdef STASHBOX_X11_KEYBOARD
#include "x11desktopkeyboard.h"
#endif

#include <QGuiApplication>

std::unique_ptr<DesktopKeyboard> DesktopKeyboard::forDesktop()
{
#ifdef STASHBOX_X11_KEYBOARD
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return X11DesktopKeyboard::create();
#endif
    return nullptr;
}
