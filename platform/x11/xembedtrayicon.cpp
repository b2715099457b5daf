#include "xembedtrayicon.h"

#include "notifyicondata.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include "xcbtray.h"

#include <cstdint>

namespace {

// The usual notification-area icon size; the tray gives the window its final size when it embeds it.
constexpr int kIconSize = 22;
constexpr uint32_t kSystemTrayRequestDock = 0;
constexpr uint32_t kXEmbedMapped = 1;
// WM_NORMAL_HINTS: 18 numbers, the flags first; the size and the minimum size are set.
constexpr int kSizeHintsLength = 18;
constexpr uint32_t kSizeHintsSize = 1 << 3;
constexpr uint32_t kSizeHintsMinSize = 1 << 4;

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
    const XcbTray::Screen screen = XcbTray::screen();
    const xcb_window_t tray = XcbTray::owner(screen);
    if (tray == XCB_NONE)
        return false;
    xcb_connection_t* c = screen.connection;

    const auto window = xcb_window_t(winId());
    // Version 0, mapped: the tray shows the window as soon as it has embedded it.
    const uint32_t info[2] = {0, kXEmbedMapped};
    const xcb_atom_t xembedInfo = XcbTray::atom(c, "_XEMBED_INFO");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xembedInfo, xembedInfo, 32, 2, info);
    // The tray sizes its socket by the window's minimum size when it embeds it (1 pixel wide
    // without one), and Qt writes the size hints only when it shows the window: too late.
    uint32_t hints[kSizeHintsLength] = {};
    hints[0] = kSizeHintsSize | kSizeHintsMinSize;
    hints[3] = hints[5] = kIconSize; // width, minimum width
    hints[4] = hints[6] = kIconSize; // height, minimum height
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32,
                        kSizeHintsLength, hints);

    xcb_client_message_event_t request = {};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = tray;
    request.type = XcbTray::atom(c, "_NET_SYSTEM_TRAY_OPCODE");
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = kSystemTrayRequestDock;
    request.data.data32[2] = window;
    xcb_send_event(c, false, tray, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
    xcb_flush(c);
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
