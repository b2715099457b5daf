#pragma once

#include "notifyicondata.h"

#include <QByteArray>
#include <QList>
#include <QPair>

// The shell call that puts icons into the notification area: message NIM_ADD, NIM_MODIFY or
// NIM_DELETE with the 88-byte record. True when the shell did it (adding an icon that exists, or
// changing or deleting one that does not, fails).
class NotifyIconPort
{
public:
    virtual ~NotifyIconPort() = default;
    virtual bool Shell_NotifyIcon(quint32 message, const QByteArray& record) = 0;

    // The one the process uses: the desktop's notification area (NotifyIconShell) unless a test
    // has put another in its place. `port` null puts the desktop's back.
    static NotifyIconPort& current();
    static void setCurrent(NotifyIconPort* port);
};

// Through the current port.
bool Shell_NotifyIcon(quint32 message, const NotifyIconData& data);

// A stand-in that records every call and succeeds; for tests that look at the records themselves.
class ScriptedNotifyIcon final : public NotifyIconPort
{
public:
    bool Shell_NotifyIcon(quint32 message, const QByteArray& record) override
    {
        calls.append({message, record});
        return true;
    }
    QList<QPair<quint32, QByteArray>> calls;
};
