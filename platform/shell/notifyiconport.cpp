#include "notifyiconport.h"

#include "iconhandles.h"
#include "notifyiconshell.h"
#include "traynotification.h"

#include <QCoreApplication>
#include <QHash>
#include <QWidget>

namespace {

NotifyIconPort* g_port = nullptr;
NotifyIconShell* g_desktopShell = nullptr;

// Its icons are widgets: they must go before the application object does.
void dropDesktopShell()
{
    delete g_desktopShell;
    g_desktopShell = nullptr;
}

struct IconTable
{
    QHash<quint32, QImage> images;
    quint32 next = 1;
};

IconTable& iconTable()
{
    static IconTable table;
    return table;
}

} // namespace

NotifyIconPort& NotifyIconPort::current()
{
    if (g_port)
        return *g_port;
    if (!g_desktopShell) {
        g_desktopShell = new NotifyIconShell;
        qAddPostRoutine(dropDesktopShell);
    }
    return *g_desktopShell;
}

void NotifyIconPort::setCurrent(NotifyIconPort* port)
{
    g_port = port;
}

bool Shell_NotifyIcon(quint32 message, const NotifyIconData& data)
{
    return NotifyIconPort::current().Shell_NotifyIcon(message, data.toBytes());
}

quint32 IconHandles::add(const QImage& image)
{
    IconTable& table = iconTable();
    const quint32 handle = table.next++;
    table.images.insert(handle, image);
    return handle;
}

QImage IconHandles::image(quint32 handle)
{
    return iconTable().images.value(handle);
}

void IconHandles::release(quint32 handle)
{
    iconTable().images.remove(handle);
}

TrayNotificationEvent::TrayNotificationEvent(quint32 callbackMessage, quint32 code)
    : QEvent(eventType())
    , m_callbackMessage(callbackMessage)
    , m_code(code)
{
}

QEvent::Type TrayNotificationEvent::eventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool TrayNotificationEvent::post(quint32 hWnd, quint32 callbackMessage, quint32 code)
{
    QWidget* target = QWidget::find(WId(hWnd));
    if (!target)
        return false;
    QCoreApplication::postEvent(target, new TrayNotificationEvent(callbackMessage, code));
    return true;
}
