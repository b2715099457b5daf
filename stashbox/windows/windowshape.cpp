#include "windowshape.h"

#include "screenmetrics.h"

#include <array>

namespace {
constexpr std::array<QPoint, WindowShape::kPointCount> Corners{{
    {130, 6},  {150, 6},   {167, 23},  {167, 28},  {168, 29},  {249, 29},  {250, 30},  {253, 30},  {255, 32}, {256, 32},
    {258, 39}, {258, 199}, {258, 200}, {258, 311}, {258, 312}, {258, 385}, {256, 388}, {253, 389}, {29, 389}, {28, 388},
    {26, 388}, {23, 385},  {23, 33},   {26, 30},   {29, 29},   {112, 29},  {113, 28},  {113, 22},  {114, 22},
}};
// Twips per pixel of the screen the shape was drawn on.
constexpr double DesignTwipsPerPixel = 15.0;

bool known(short point)
{
    return point >= 0 && point < WindowShape::kPointCount;
}
} // namespace

short WindowShape::pointX(short point)
{
    return known(point) ? short(Corners[size_t(point)].x()) : short(0);
}

short WindowShape::pointY(short point)
{
    return known(point) ? short(Corners[size_t(point)].y()) : short(0);
}

WindowShape::WindowShape(double twipsPerPixelX, double twipsPerPixelY, float scaleX, float scaleY, short offsetX,
                         short offsetY)
    : m_factorX(double(scaleX) * DesignTwipsPerPixel / twipsPerPixelX)
    , m_factorY(double(scaleY) * DesignTwipsPerPixel / twipsPerPixelY)
    , m_offsetX(offsetX)
    , m_offsetY(offsetY)
{
}

int WindowShape::toX(int design) const
{
    return ScreenMetrics::roundHalfEven(design * m_factorX + m_offsetX);
}

int WindowShape::toY(int design) const
{
    return ScreenMetrics::roundHalfEven(design * m_factorY + m_offsetY);
}

QPolygon WindowShape::outline() const
{
    QPolygon points;
    for (short i = 0; i < kPointCount; ++i)
        points << QPoint(toX(pointX(i)), toY(pointY(i)));
    return points;
}

// Right and bottom are exclusive.
QRect WindowShape::box(int left, int top, int right, int bottom) const
{
    return QRect(QPoint(toX(left), toY(top)), QPoint(toX(right) - 1, toY(bottom) - 1));
}

QRegion WindowShape::region() const
{
    QRegion shape(outline(), Qt::OddEvenFill);
    shape += QRegion(box(139, 17, 149, 27));
    shape += QRegion(box(139, 19, 148, 32));
    shape += QRegion(box(132, 8, 146, 24), QRegion::Ellipse);
    shape += QRegion(box(136, 11, 148, 23), QRegion::Ellipse);
    shape -= QRegion(box(134, 9, 148, 23), QRegion::Ellipse);
    return shape;
}
