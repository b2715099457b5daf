#include "xembedtrayicon.h"

#include "notifyicondata.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// The usual notification-area icon size; the tray gives the window its final size when it embeds it.
constexpr int kIconSize = 22;
constexpr long kSystemTrayRequestDock = 0;
constexpr long kXEmbedMapped = 1;

Display* x11Display()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

XEmbedTrayIcon::XEmbedTrayIcon(const QImage& image, const QString& tip, Notify notify)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint)
    , m_image(image)
    , m_notify(std::move(notify))
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_QuitOnClose, false);
    setMouseTracking(true);
    setMinimumSize(kIconSize, kIconSize);
    resize(kIconSize, kIconSize);
    setToolTip(tip);
}

bool XEmbedTrayIcon::dock()
{
    Display* display = x11Display();
    if (!display)
        return false;
    const int screen = DefaultScreen(display);
    const QByteArray selectionName = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    const Window tray = XGetSelectionOwner(display, XInternAtom(display, selectionName.constData(), False));
    if (tray == None)
        return false;

    const auto window = Window(winId());
    // Version 0, mapped: the tray shows the window as soon as it has embedded it.
    const long info[2] = {0, kXEmbedMapped};
    const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    // The tray sizes its socket by the window's minimum size when it embeds it (1 pixel wide
    // without one), and Qt writes the size hints only when it shows the window: too late.
    XSizeHints hints{};
    hints.flags = PMinSize | PSize;
    hints.min_width = hints.width = kIconSize;
    hints.min_height = hints.height = kIconSize;
    XSetWMNormalHints(display, window, &hints);

    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = tray;
    request.xclient.message_type = XInternAtom(display, "_NET_SYSTEM_TRAY_OPCODE", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = CurrentTime;
    request.xclient.data.l[1] = kSystemTrayRequestDock;
    request.xclient.data.l[2] = long(window);
    XSendEvent(display, tray, False, NoEventMask, &request);
    XFlush(display);
    show();
    return true;
}

void XEmbedTrayIcon::setIcon(const QImage& image)
{
    m_image = image;
    update();
}

void XEmbedTrayIcon::setToolTip(const QString& text)
{
    QWidget::setToolTip(text);
    // The window is named after its tooltip, so that it can be told apart in the tray.
    setWindowTitle(text);
}

void XEmbedTrayIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_image.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = m_image.size().scaled(this->size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), m_image);
}

void XEmbedTrayIcon::enterEvent(QEnterEvent*)
{
    m_notify(shell::WM_MOUSEMOVE);
}

void XEmbedTrayIcon::mouseMoveEvent(QMouseEvent*)
{
    m_notify(shell::WM_MOUSEMOVE);
}

// step: 0 down, 1 up, 2 double click, as the codes of each button follow each other.
void XEmbedTrayIcon::notifyButton(Qt::MouseButton button, int step)
{
    quint32 first = 0;
    switch (button) {
    case Qt::LeftButton: first = shell::WM_LBUTTONDOWN; break;
    case Qt::RightButton: first = shell::WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: first = shell::WM_MBUTTONDOWN; break;
    default: return;
    }
    m_notify(first + quint32(step));
}

void XEmbedTrayIcon::mousePressEvent(QMouseEvent* event)
{
    notifyButton(event->button(), 0);
}

void XEmbedTrayIcon::mouseReleaseEvent(QMouseEvent* event)
{
    notifyButton(event->button(), 1);
}

void XEmbedTrayIcon::mouseDoubleClickEvent(QMouseEvent* event)
{
    notifyButton(event->button(), 2);
}
