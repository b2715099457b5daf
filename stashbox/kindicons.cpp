#include "kindicons.h"

#include <QPainter>
#include <QPainterPath>

namespace {
QImage blank()
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A sheet of paper with a folded corner and a few lines of "text" in the given colour.
QImage page(const QColor& ink)
{
    QImage img = blank();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath sheet;
    sheet.moveTo(2.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(2.5, 14.5);
    sheet.closeSubpath();
    p.fillPath(sheet, Qt::white);
    p.setPen(QColor(90, 90, 90));
    p.drawPath(sheet);
    p.setPen(ink);
    for (int y = 5; y <= 12; y += 2)
        p.drawLine(4, y, y == 5 ? 9 : 11, y);
    return img;
}
} // namespace

KindIcons makeKindIcons()
{
    KindIcons icons;
    icons.text = Picture::fromImage(page(QColor(40, 40, 40)));
    icons.rtf = Picture::fromImage(page(QColor(200, 40, 40)));

    QImage picture = blank();
    {
        QPainter p(&picture);
        p.fillRect(QRect(1, 3, 14, 11), QColor(120, 180, 235));
        p.setPen(QColor(60, 60, 60));
        p.drawRect(QRect(1, 3, 13, 10));
        p.setBrush(QColor(60, 150, 60));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygon({QPoint(2, 13), QPoint(7, 7), QPoint(11, 13)}));
        p.setBrush(QColor(250, 210, 40));
        p.drawEllipse(QPoint(11, 6), 2, 2);
    }
    icons.bitmap = Picture::fromImage(picture);
    return icons;
}
