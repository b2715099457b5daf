#include "zoomoutline.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>
#include <QWidget>

namespace {
constexpr int Frames = 12;
constexpr int FrameMs = 16;

class Outline final : public QWidget
{
public:
    Outline()
        : QWidget(nullptr,
                  Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint
                      | Qt::WindowTransparentForInput)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_QuitOnClose, false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

int between(int a, int b, int frame)
{
    return a + (b - a) * frame / Frames;
}
} // namespace

namespace ZoomOutline {

void animate(const QRect& from, const QRect& to)
{
    if (from.isNull() || to.isNull())
        return;
    Outline outline;
    for (int frame = 0; frame <= Frames; ++frame) {
        const QRect r(QPoint(between(from.left(), to.left(), frame), between(from.top(), to.top(), frame)),
                      QPoint(between(from.right(), to.right(), frame), between(from.bottom(), to.bottom(), frame)));
        outline.setGeometry(r.normalized().adjusted(0, 0, 1, 1));
        outline.show();
        outline.repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(FrameMs);
    }
}

} // namespace ZoomOutline
