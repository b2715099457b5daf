#include "zqtray.h"

#include "iconhandles.h"
#include "notifyiconport.h"
#include "propertybag.h"
#include "screenmetrics.h"
#include "traynotification.h"

#include <QFileInfo>
#include <QHash>
#include <QImageReader>

#include <utility>

namespace {

constexpr int kDesignFlashDelayMs = 700;
constexpr int kNewInstanceFlashDelayMs = 15;
constexpr int kMinFlashDelayMs = 15;
constexpr int kMaxFlashDelayMs = 32767;
constexpr quint32 kIconId = 1;
constexpr quint32 kAddFlags = shell::NIF_MESSAGE | shell::NIF_ICON | shell::NIF_TIP;

} // namespace

Zqtray::Zqtray(QWidget* parent)
    : QWidget(parent)
    , m_parent(parent)
{
    setFixedSize(ScreenMetrics::toPixelsX(kWidthTwips), ScreenMetrics::toPixelsY(kHeightTwips));
    m_timer.setInterval(kDesignFlashDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &Zqtray::flashTick);
}

Zqtray::~Zqtray()
{
    m_timer.stop();
    // Not winId(): a control that never had a window must not make one while it goes.
    m_record.cbSize = NotifyIconData::kSize;
    m_record.hWnd = quint32(internalWinId());
    m_record.uID = kIconId;
    Shell_NotifyIcon(shell::NIM_DELETE, m_record);
    IconHandles::release(m_defaultIcon.handle);
    IconHandles::release(m_flasher.handle);
    IconHandles::release(m_retiredHandle);
}

bool Zqtray::send(quint32 message)
{
    m_record.cbSize = NotifyIconData::kSize;
    m_record.hWnd = quint32(winId());
    return Shell_NotifyIcon(message, m_record);
}

void Zqtray::prepareRecord(quint32 hIcon)
{
    m_record.uID = kIconId;
    m_record.hIcon = hIcon;
    if (m_retiredHandle != hIcon)
        IconHandles::release(std::exchange(m_retiredHandle, 0));
}

void Zqtray::retire(quint32 handle)
{
    if (handle != 0 && handle == m_record.hIcon)
        m_retiredHandle = handle;
    else
        IconHandles::release(handle);
}

void Zqtray::Update()
{
    m_record.uID = kIconId;
    send(shell::NIM_DELETE);
    AddToSystemTray(m_parent, m_toolTip);
}

void Zqtray::setFlash(bool flashicon)
{
    if (flashicon) {
        m_timer.start();
        return;
    }
    m_timer.stop();
    prepareRecord(m_defaultIcon.handle);
    m_flashPhase = 0;
    send(shell::NIM_MODIFY);
}

void Zqtray::setFlashDelay(int FlashDelayInMilliseconds)
{
    m_timer.setInterval(qBound(kMinFlashDelayMs, FlashDelayInMilliseconds, kMaxFlashDelayMs));
}

bool Zqtray::loadPicture(const QString& path, PictureHolder* holder, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("Cannot load the picture %1: %2").arg(path, why);
        return false;
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("File not found"));
    // An icon file holds several sizes; the largest scales down best into the tray.
    QImageReader reader(path);
    QImage best;
    do {
        const QImage image = reader.read();
        if (image.isNull())
            break;
        if (image.width() * image.height() > best.width() * best.height())
            best = image;
    } while (reader.jumpToNextImage());
    if (best.isNull())
        return fail(reader.errorString());
    retire(holder->handle);
    holder->image = best;
    holder->handle = IconHandles::add(best);
    return true;
}

bool Zqtray::SystemTray_Icon(const QString& trayiconPath, QString* error)
{
    return loadPicture(trayiconPath, &m_defaultIcon, error);
}

bool Zqtray::Flasing_Icon(const QString& trayiconPath, QString* error)
{
    return loadPicture(trayiconPath, &m_flasher, error);
}

void Zqtray::setToolTipText(const QString& text)
{
    m_toolTip = text;
    emit propertyChanged(QStringLiteral("ToolTipText"));
    m_record.setTip(text);
    send(shell::NIM_MODIFY);
}

void Zqtray::AddToSystemTray(QObject* oParent, const QString& sToolTip)
{
    m_added = true;
    m_parent = oParent;
    m_toolTip = sToolTip;
    prepareRecord(m_defaultIcon.handle);
    m_record.uFlags = kAddFlags;
    m_record.uCallbackMessage = shell::WM_MOUSEMOVE;
    m_record.setTip(sToolTip);
    send(shell::NIM_ADD);
}

void Zqtray::RemoveFromSystemTray()
{
    // The added flag stays set: a second call deletes again, harmlessly, and clicks still count
    // once the icon is back.
    if (!m_added)
        return;
    m_record.uID = kIconId;
    send(shell::NIM_DELETE);
}

void Zqtray::InitProperties()
{
    m_timer.setInterval(kNewInstanceFlashDelayMs);
    m_toolTip.clear();
    m_parent = parent();
}

void Zqtray::ReadProperties(const PropertyBag* bag)
{
    m_toolTip = bag->ReadProperty(QStringLiteral("ToolTipText"), QString()).toString();
}

void Zqtray::WriteProperties(PropertyBag* bag) const
{
    bag->WriteProperty(QStringLiteral("ToolTipText"), m_toolTip, QString());
    bag->WriteProperty(QStringLiteral("DefaultIcon"), m_defaultIcon.image, QString());
}

void Zqtray::flashTick()
{
    if (m_flashPhase == 1) {
        prepareRecord(m_defaultIcon.handle);
        m_flashPhase = 0;
    } else if (m_flashPhase == 0) {
        prepareRecord(m_flasher.handle);
        m_flashPhase = 1;
    } else {
        return;
    }
    send(shell::NIM_MODIFY);
}

bool Zqtray::event(QEvent* event)
{
    if (event->type() == TrayNotificationEvent::eventType()) {
        const auto* notification = static_cast<TrayNotificationEvent*>(event);
        if (notification->callbackMessage() == shell::WM_MOUSEMOVE)
            handleNotification(notification->code());
        return true;
    }
    return QWidget::event(event);
}

void Zqtray::handleNotification(quint32 code)
{
    if (!m_added)
        return;
    m_lastCode = qint32(code);
    // A notification that comes while the host still handles an earlier one (a menu open from
    // RightButtonClick, say) is dropped.
    if (m_busy)
        return;
    m_busy = true;
    static const QHash<quint32, QString> kNames{
        {shell::WM_LBUTTONUP, QStringLiteral("LeftButtonClick")},
        {shell::WM_LBUTTONDBLCLK, QStringLiteral("LeftButtonDoubleClick")},
        {shell::WM_RBUTTONUP, QStringLiteral("RightButtonClick")},
        {shell::WM_RBUTTONDBLCLK, QStringLiteral("RightButtonDoubleClick")},
    };
    const QString name = kNames.value(code);
    // The host may destroy the control in its handler (Exit from the tray's menu).
    QPointer<Zqtray> alive(this);
    if (!name.isEmpty())
        raiseEvent(name);
    if (!alive)
        return;
    emit MouseMove();
    if (alive)
        m_busy = false;
}

void Zqtray::raiseEvent(const QString& name)
{
    if (!m_added)
        return;
    // The double clicks have no events of their own.
    if (name == QLatin1String("LeftButtonClick"))
        emit LeftButtonClick();
    else if (name == QLatin1String("RightButtonClick"))
        emit RightButtonClick();
}
