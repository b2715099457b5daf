#include "programpictures.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace {
QImage blank(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A sheet of paper with a folded corner and a few lines of "text" in the given colour, drawn on a
// 16-unit grid and scaled to `size`.
QImage page(int size, const QColor& ink, bool bold = false)
{
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    p.scale(size / 16.0, size / 16.0);
    QPainterPath sheet;
    sheet.moveTo(2.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(2.5, 14.5);
    sheet.closeSubpath();
    p.fillPath(sheet, Qt::white);
    p.setPen(QPen(QColor(90, 90, 90), size > 16 ? 0.5 : 1.0));
    p.drawPath(sheet);
    p.setPen(QPen(ink, bold ? 1.2 : (size > 16 ? 0.6 : 1.0)));
    for (int y = 5; y <= 12; y += 2)
        p.drawLine(QPointF(4, y), QPointF(y == 5 ? 9 : 11.5, y));
    return img;
}

QImage landscape(int size)
{
    QImage img = blank(size);
    QPainter p(&img);
    p.scale(size / 16.0, size / 16.0);
    p.fillRect(QRectF(1, 3, 14, 11), QColor(120, 180, 235));
    p.setPen(QPen(QColor(60, 60, 60), 0));
    p.drawRect(QRectF(1, 3, 13.5, 10.5));
    p.setBrush(QColor(60, 150, 60));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(2, 13.5), QPointF(7, 7), QPointF(11, 13.5)}));
    p.setBrush(QColor(250, 210, 40));
    p.drawEllipse(QPointF(11, 6), 2, 2);
    return img;
}

// 13 x 13 menu pictures.
QImage menuPicture(const std::function<void(QPainter&)>& draw)
{
    QImage img = blank(13);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return img;
}
} // namespace

KindIcons makeKindIcons()
{
    return KindIcons{Picture::fromImage(page(16, QColor(40, 40, 40))),
                     Picture::fromImage(page(16, QColor(200, 40, 40), true)), Picture::fromImage(landscape(16))};
}

ProgramPictures makeProgramPictures()
{
    ProgramPictures pics;
    pics.small = makeKindIcons();
    pics.largeText = Picture::fromImage(page(60, QColor(40, 40, 40)));
    pics.largeRtf = Picture::fromImage(page(60, QColor(200, 40, 40), true));

    QImage arrow = blank(9);
    {
        QPainter p(&arrow);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(30, 30, 30));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(1, 3), QPointF(8, 3), QPointF(4.5, 7)}));
    }
    pics.buttonArrow = Picture::fromImage(arrow);

    const QPen red(QColor(200, 30, 30), 2);
    pics.picture2 = Picture::fromImage(menuPicture([&](QPainter& p) {
        p.setPen(red);
        p.drawLine(3, 3, 10, 10);
        p.drawLine(10, 3, 3, 10);
    }));
    pics.picture3 = Picture::fromImage(menuPicture([](QPainter& p) {
        p.setPen(QPen(QColor(40, 90, 180), 2));
        p.drawLine(2, 11, 10, 3);
        p.setPen(QPen(QColor(230, 180, 60), 2));
        p.drawLine(9, 2, 11, 4);
    }));
    pics.picture4 = Picture::fromImage(menuPicture([&](QPainter& p) {
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.drawLine(1, 6, 8, 6);
        p.setPen(red);
        p.drawLine(8, 8, 12, 12);
        p.drawLine(12, 8, 8, 12);
    }));
    pics.picture5 = Picture::fromImage(menuPicture([&](QPainter& p) {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(3.5, 3.5, 6, 8));
        p.drawLine(2, 3, 11, 3);
        p.setPen(red);
        p.drawLine(5, 6, 8, 9);
        p.drawLine(8, 6, 5, 9);
    }));
    pics.showClip = Picture::fromImage(menuPicture([](QPainter& p) {
        p.setPen(QPen(QColor(110, 80, 40), 1));
        p.setBrush(QColor(200, 160, 100));
        p.drawRoundedRect(QRectF(2.5, 2.5, 8, 10), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 4.5, 4, 6));
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(4.5, 1.5, 4, 2));
    }));
    pics.help = Picture::fromImage(menuPicture([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 180));
        p.drawEllipse(QRectF(0.5, 0.5, 12, 12));
        // The question mark is drawn, not written: no font is needed before the window is shown.
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath hook(QPointF(4.4, 4.9));
        hook.cubicTo(QPointF(4.4, 2.4), QPointF(8.6, 2.4), QPointF(8.6, 4.7));
        hook.cubicTo(QPointF(8.6, 6.3), QPointF(6.5, 6.4), QPointF(6.5, 8.0));
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6.5, 10.2), 1.0, 1.0);
    }));
    // Button pictures, 16 x 16.
    const auto button = [](const std::function<void(QPainter&)>& draw) {
        QImage img = blank(16);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        return Picture::fromImage(img);
    };
    pics.openFile = button([](QPainter& p) {
        p.setPen(QPen(QColor(150, 110, 30), 1));
        p.setBrush(QColor(240, 200, 90));
        p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(14.5, 5),
                                 QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
        p.setBrush(QColor(250, 222, 130));
        p.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
    });
    pics.saveFile = button([](QPainter& p) {
        p.setPen(QPen(QColor(30, 50, 110), 1));
        p.setBrush(QColor(70, 100, 180));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
    });
    pics.options = button([](QPainter& p) {
        p.setPen(QPen(QColor(70, 70, 70), 2.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(8 + 4 * std::cos(a), 8 + 4 * std::sin(a)),
                       QPointF(8 + 6.5 * std::cos(a), 8 + 6.5 * std::sin(a)));
        }
        p.setPen(QPen(QColor(70, 70, 70), 1.2));
        p.setBrush(QColor(200, 200, 200));
        p.drawEllipse(QPointF(8, 8), 4.2, 4.2);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 1.6, 1.6);
    });
    pics.deleteItem = button([](QPainter& p) {
        p.setPen(QPen(QColor(200, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });

    // Two quiet patterns that keep the list readable: soft diagonal stripes and a dotted paper.
    QImage stripes(48, 48, QImage::Format_RGB32);
    stripes.fill(QColor(250, 250, 246));
    {
        QPainter p(&stripes);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(232, 236, 244), 6));
        for (int x = -48; x < 96; x += 16)
            p.drawLine(x, 48, x + 48, 0);
    }
    pics.tss = Picture::fromImage(stripes);
    QImage dots(24, 24, QImage::Format_RGB32);
    dots.fill(QColor(253, 251, 244));
    {
        QPainter p(&dots);
        p.setPen(QColor(226, 220, 204));
        p.drawPoint(4, 4);
        p.drawPoint(16, 16);
    }
    pics.sb = Picture::fromImage(dots);
    return pics;
}
