#include "trayiconview.h"

#include "notifyicondata.h"
#if STASHBOX_XEMBED_TRAY
#include "xembedtrayicon.h"
#endif

#include <QGuiApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace {

// Where the desktop is not X11: Qt's tray icon, which reports clicks only.
class QtTrayIcon final : public TrayIconView
{
public:
    QtTrayIcon(const QImage& image, const QString& tip, Notify notify)
    {
        setIcon(image);
        m_icon.setToolTip(tip);
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, [notify](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger: notify(shell::WM_LBUTTONUP); break;
            case QSystemTrayIcon::Context: notify(shell::WM_RBUTTONUP); break;
            case QSystemTrayIcon::DoubleClick: notify(shell::WM_LBUTTONDBLCLK); break;
            case QSystemTrayIcon::MiddleClick: notify(shell::WM_MBUTTONUP); break;
            case QSystemTrayIcon::Unknown: break;
            }
        });
        m_icon.show();
    }

    void setIcon(const QImage& image) override { m_icon.setIcon(QIcon(QPixmap::fromImage(image))); }
    void setToolTip(const QString& text) override { m_icon.setToolTip(text); }

private:
    QSystemTrayIcon m_icon;
};

} // namespace

std::unique_ptr<TrayIconView> TrayIconView::create(const QImage& image, const QString& tip, Notify notify)
{
#if STASHBOX_XEMBED_TRAY
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto icon = std::make_unique<XEmbedTrayIcon>(image, tip, std::move(notify));
        if (!icon->dock())
            return nullptr;
        return icon;
    }
#endif
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    return std::make_unique<QtTrayIcon>(image, tip, std::move(notify));
}
