#pragma once

#include <QRect>
#include <QSize>

// Positions and sizes in the program are twips (1/1440 inch). Everything that hands pixels to Qt
// converts through here so that rounding is the same everywhere.
class ScreenMetrics final
{
public:
    // Twips per pixel from the primary screen's logical DPI (15 at 96 DPI); 15 without a screen.
    static double twipsPerPixelX();
    static double twipsPerPixelY();
    static QSize screenSizePixels();

    static int toPixelsX(double twips) { return roundNearest(twips / twipsPerPixelX()); }
    static int toPixelsY(double twips) { return roundNearest(twips / twipsPerPixelY()); }
    static double toTwipsX(int pixels) { return pixels * twipsPerPixelX(); }
    static double toTwipsY(int pixels) { return pixels * twipsPerPixelY(); }
    // A rectangle given in twips (left, top, width, height), in pixels.
    static QRect toPixels(int left, int top, int width, int height)
    {
        return QRect(toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height));
    }

    // Nearest whole number, halves away from zero.
    static int roundNearest(double v);
    // Nearest whole number, halves to the even neighbour.
    static int roundHalfEven(double v);
};
