#pragma once

#include <QEvent>

// A tray notification on its way to the window that asked for it: the record's callback message,
// and the notification code (shell::WM_MOUSEMOVE, WM_LBUTTONUP, ...). Posted, like the shell's
// messages, so it arrives after whatever the window is doing now.
class TrayNotificationEvent final : public QEvent
{
public:
    TrayNotificationEvent(quint32 callbackMessage, quint32 code);

    static QEvent::Type eventType();
    quint32 callbackMessage() const { return m_callbackMessage; }
    quint32 code() const { return m_code; }

    // Posts the notification to the widget whose window id is `hWnd`; false when there is none.
    static bool post(quint32 hWnd, quint32 callbackMessage, quint32 code);

private:
    quint32 m_callbackMessage;
    quint32 m_code;
};
