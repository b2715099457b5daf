#pragma once

#include <QPolygon>
#include <QRegion>

// The main window's outline: a tall panel with bevelled corners and a tab on its top edge with a
// round hole in it. Drawn in design pixels (15 twips per pixel) and scaled to the screen's twips
// per pixel, so that it fits the window whatever the screen's resolution.
class WindowShape final
{
public:
    static constexpr int kPointCount = 29;

    // The outline's corners in design pixels; a point number outside 0 to 28 gives 0.
    static short pointX(short point);
    static short pointY(short point);

    WindowShape(double twipsPerPixelX, double twipsPerPixelY, float scaleX = 1.0F, float scaleY = 1.0F,
                short offsetX = 0, short offsetY = 0);

    // A design coordinate in window pixels, halves to the even neighbour.
    int toX(int design) const;
    int toY(int design) const;
    // The outline's 29 corners in window pixels.
    QPolygon outline() const;
    // The outline (even-odd) united with the tab's rectangles and ellipses, less the hole.
    QRegion region() const;

private:
    QRect box(int left, int top, int right, int bottom) const;

    double m_factorX;
    double m_factorY;
    short m_offsetX;
    short m_offsetY;
};
