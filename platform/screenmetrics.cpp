#include "screenmetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
double twipsFromDpi(double dpi)
{
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

QScreen* primary()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
}
} // namespace

double ScreenMetrics::twipsPerPixelX()
{
    QScreen* s = primary();
    return s ? twipsFromDpi(s->logicalDotsPerInchX()) : 15.0;
}

double ScreenMetrics::twipsPerPixelY()
{
    QScreen* s = primary();
    return s ? twipsFromDpi(s->logicalDotsPerInchY()) : 15.0;
}

QSize ScreenMetrics::screenSizePixels()
{
    QScreen* s = primary();
    return s ? s->size() : QSize(1024, 768);
}

int ScreenMetrics::roundNearest(double v)
{
    return static_cast<int>(std::lround(v));
}

int ScreenMetrics::roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v)); // the default rounding mode is to-nearest-even
}
