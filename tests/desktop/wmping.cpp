#include "wmping.h"

#include <QElapsedTimer>

#include <X11/Xlib.h>
#include <poll.h>

struct WmPing::State
{
    Display* dpy = nullptr;
    Atom protocols = 0;
    Atom ping = 0;
    long stamp = 1000;
};

WmPing::WmPing(const QString& display)
    : d(new State)
{
    d->dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (!d->dpy)
        return;
    d->protocols = XInternAtom(d->dpy, "WM_PROTOCOLS", False);
    d->ping = XInternAtom(d->dpy, "_NET_WM_PING", False);
    // Answers go to the root window, to whoever listens there for changes of it (Qt's answer) or
    // of its children (where window managers listen for client messages).
    XSelectInput(d->dpy, DefaultRootWindow(d->dpy), StructureNotifyMask | SubstructureNotifyMask);
}

WmPing::~WmPing()
{
    if (d->dpy)
        XCloseDisplay(d->dpy);
    delete d;
}

double WmPing::ping(const QString& window, int timeoutMs)
{
    bool ok = false;
    const Window target = window.toULong(&ok, 0);
    if (!d->dpy || !ok)
        return -1;
    const long stamp = ++d->stamp;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = d->protocols;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(d->ping);
    ev.xclient.data.l[1] = stamp;
    ev.xclient.data.l[2] = long(target);
    QElapsedTimer clock;
    clock.start();
    XSendEvent(d->dpy, target, False, NoEventMask, &ev);
    XFlush(d->dpy);
    while (clock.elapsed() < timeoutMs) {
        while (XPending(d->dpy)) {
            XEvent answer;
            XNextEvent(d->dpy, &answer);
            if (answer.type == ClientMessage && answer.xclient.message_type == d->protocols
                && answer.xclient.data.l[0] == long(d->ping) && answer.xclient.data.l[1] == stamp)
                return double(clock.nsecsElapsed()) / 1e6;
        }
        pollfd fd{ConnectionNumber(d->dpy), POLLIN, 0};
        ::poll(&fd, 1, 10);
    }
    return -1;
}
