#pragma once

#include "notifyicondata.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class PropertyBag;

// The notification-area icon control: puts one icon into the tray through the Shell_NotifyIcon
// call, keeps its tooltip, flashes it between two pictures, and turns the tray's notifications
// into the events LeftButtonClick, RightButtonClick and MouseMove.
//
// The control's own window is the target of the icon's notifications. The record it hands to the
// shell is kept for the control's life; each path writes only its own fields of it, so what a call
// sends depends on what came before (a tooltip written before the first add goes out with uID 0
// and changes nothing in the tray).
class Zqtray final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Flash READ isFlashing WRITE setFlash)
    Q_PROPERTY(int FlashDelay READ flashDelay WRITE setFlashDelay)
    Q_PROPERTY(QString ToolTipText READ ToolTipText WRITE setToolTipText)

public:
    // 2205 x 375 twips at the design resolution.
    static constexpr int kWidthTwips = 2205;
    static constexpr int kHeightTwips = 375;

    explicit Zqtray(QWidget* parent = nullptr);
    // Always deletes the icon, added or not, so that it goes with the control.
    ~Zqtray() override;

    // Removes the icon and adds it again with the stored parent and tooltip.
    Q_INVOKABLE void Update();
    void setFlash(bool flashicon);
    bool isFlashing() const { return m_timer.isActive(); }
    // Clamped to 15 ... 32767 ms.
    void setFlashDelay(int FlashDelayInMilliseconds);
    int flashDelay() const { return m_timer.interval(); }
    // Load a picture file into DefaultIcon or Flasher. A file that cannot be read leaves the held
    // picture as it was and returns false with the loader's reason.
    Q_INVOKABLE bool SystemTray_Icon(const QString& trayiconPath, QString* error = nullptr);
    Q_INVOKABLE bool Flasing_Icon(const QString& trayiconPath, QString* error = nullptr);
    QString ToolTipText() const { return m_toolTip; }
    void setToolTipText(const QString& text);
    Q_INVOKABLE void AddToSystemTray(QObject* oParent, const QString& sToolTip);
    Q_INVOKABLE void RemoveFromSystemTray();

    // Design data: a new instance, and the property bag ("ToolTipText" read and written,
    // "DefaultIcon" written only).
    Q_INVOKABLE void InitProperties();
    Q_INVOKABLE void ReadProperties(const PropertyBag* bag);
    Q_INVOKABLE void WriteProperties(PropertyBag* bag) const;

    QObject* storedParent() const { return m_parent; }
    QImage defaultIcon() const { return m_defaultIcon.image; }
    qint32 lastNotificationCode() const { return m_lastCode; }

signals:
    void LeftButtonClick();
    void RightButtonClick();
    void MouseMove();
    // To the host: a persisted property changed.
    void propertyChanged(const QString& name);

protected:
    bool event(QEvent* event) override;

private:
    struct PictureHolder
    {
        QImage image;
        quint32 handle = 0;
    };

    bool loadPicture(const QString& path, PictureHolder* holder, QString* error);
    // Releases a picture's handle once the record no longer names it: the shell may be handed the
    // record again (a tooltip change) before it names the new picture.
    void retire(quint32 handle);
    void prepareRecord(quint32 hIcon);
    bool send(quint32 message);
    void flashTick();
    void handleNotification(quint32 code);
    void raiseEvent(const QString& name);

    PictureHolder m_defaultIcon;
    PictureHolder m_flasher;
    QTimer m_timer;
    qint16 m_flashPhase = 0;
    NotifyIconData m_record;
    // The handle of a replaced picture that the record still names.
    quint32 m_retiredHandle = 0;
    QString m_toolTip;
    QPointer<QObject> m_parent;
    bool m_added = false;
    qint32 m_lastCode = 0;
    bool m_busy = false;
};
