#pragma once

#include <QString>

// Pings a window as the window manager does (_NET_WM_PING) and times its answer, on an X connection
// of its own.
class WmPing final
{
public:
    explicit WmPing(const QString& display);
    ~WmPing();
    WmPing(const WmPing&) = delete;
    WmPing& operator=(const WmPing&) = delete;

    // Milliseconds until `window` (an id as xdotool prints it) answered; -1 when it did not within
    // `timeoutMs`.
    double ping(const QString& window, int timeoutMs);

private:
    struct State;
    State* d;
};
