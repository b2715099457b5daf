#pragma once

#include "trayiconview.h"

#include <QWidget>

// A tray icon on X11: a window of our own that the notification area embeds (XEmbed) after a dock
// request to the owner of the _NET_SYSTEM_TRAY_S<screen> selection. Being our own window, it sees
// the pointer enter and move over it and every button press, release and double click.
class XEmbedTrayIcon final : public QWidget, public TrayIconView
{
public:
    XEmbedTrayIcon(const QImage& image, const QString& tip, Notify notify);

    // Asks the notification area to embed the window; false when there is none.
    bool dock();

    void setIcon(const QImage& image) override;
    void setToolTip(const QString& text) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void notifyButton(Qt::MouseButton button, int step);

    QImage m_image;
    Notify m_notify;
};
