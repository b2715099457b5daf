#include "buttongeometry.h"

#include "buttonenums.h"

#include <QFontMetrics>
#include <QPolygon>

#include <initializer_list>
#include <utility>

void ButtonGeometry::resize(int style, int width, int height)
{
    W = width;
    H = height;
    if (style >= ButtonTypes::SimpleFlat && style <= ButtonTypes::OvalFlat)
        FocusRect = {3, 3, W - 3, H - 3};
    else if (style == ButtonTypes::KDE2)
        FocusRect = EdgeRect{5, 5, W - 5, H - 5}.moved(1, 1);
    else
        FocusRect = {4, 4, W - 4, H - 4};
}

void ButtonGeometry::MeasurePicture(const QImage& pictureNormal)
{
    PicW = pictureNormal.isNull() ? 0 : pictureNormal.width();
    PicH = pictureNormal.isNull() ? 0 : pictureNormal.height();
}

void ButtonGeometry::LayoutCaption(const QString& caption, const QFont& font, int picturePosition, bool hasPicture)
{
    EdgeRect start;
    switch (picturePosition) {
    case PicPositions::cbLeft: start = {PicW + 1, 1, W - 2, H - 2}; break;
    case PicPositions::cbRight: start = {1, 1, W - PicW - 2, H - 2}; break;
    case PicPositions::cbTop: start = {1, PicH + 1, W - 2, H - 2}; break;
    case PicPositions::cbBottom: start = {1, 1, W - 2, H - PicH - 2}; break;
    case PicPositions::cbBackground: start = {1, 1, W - 2, H - 2}; break;
    default: start = CaptionRect; break;
    }
    const QRect measured =
        QFontMetrics(font).boundingRect(QRect(start.left, start.top, qMax(start.width(), 0), qMax(start.height(), 0)),
                                        kCaptionFlags | Qt::AlignLeft, caption);
    CaptionRect = {start.left, start.top, start.left + measured.width(), start.top + measured.height()};
    if (picturePosition >= PicPositions::cbLeft && picturePosition <= PicPositions::cbBackground) {
        int dx = W - CaptionRect.right;
        int dy = (H - CaptionRect.bottom) / 2;
        if (picturePosition == PicPositions::cbRight)
            dx = W - PicW - CaptionRect.right - 4;
        else if (picturePosition == PicPositions::cbBottom)
            dy = (H - PicH - CaptionRect.bottom - 4) / 2;
        CaptionRect = CaptionRect.moved(dx / 2, dy);
    }
    CaptionRectDown = CaptionRect.moved(1, 1);
    PlacePicture(caption, picturePosition, hasPicture);
}

void ButtonGeometry::PlacePicture(const QString& caption, int picturePosition, bool hasPicture)
{
    if (!hasPicture)
        return;
    const bool besideCaption = !caption.trimmed().isEmpty() && picturePosition != PicPositions::cbBackground;
    PicX = (W - PicW) / 2;
    PicY = (H - PicH) / 2;
    if (!besideCaption)
        return;
    switch (picturePosition) {
    case PicPositions::cbLeft: PicX = CaptionRect.left - PicW - 4; break;
    case PicPositions::cbRight: PicX = CaptionRect.right + 4; break;
    case PicPositions::cbTop: PicY = CaptionRect.top - PicH - 2; break;
    case PicPositions::cbBottom: PicY = CaptionRect.bottom + 2; break;
    default: break;
    }
}

QRegion BuildRegion(int style, int width, int height)
{
    const int w = width;
    const int h = height;
    if (style == ButtonTypes::OvalFlat)
        return QRegion(0, 0, w, h, QRegion::Ellipse);
    QRegion region(0, 0, w, h);
    const auto cut = [&region](std::initializer_list<std::pair<int, int>> pixels) {
        for (const auto& [x, y] : pixels)
            region -= QRegion(x, y, 1, 1);
    };
    switch (style) {
    case ButtonTypes::Windows16Bit:
    case ButtonTypes::KDE2: cut({{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}); break;
    case ButtonTypes::JavaMetal: cut({{0, h - 1}, {w - 1, 0}}); break;
    case ButtonTypes::WindowsXP:
    case ButtonTypes::Mac:
        cut({{0, 0},
             {1, 0},
             {0, 1},
             {w - 2, 0},
             {w - 1, 0},
             {w - 1, 1},
             {0, h - 1},
             {1, h - 1},
             {0, h - 2},
             {w - 2, h - 1},
             {w - 1, h - 1},
             {w - 1, h - 2}});
        break;
    default: break;
    }
    return region;
}
