#include "pixelsurface.h"

#include "buttongeometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

Rgb rgbOfPixel(QRgb p)
{
    return Rgb(qRed(p)) | Rgb(qGreen(p)) << 8 | Rgb(qBlue(p)) << 16;
}

QColor qcolorOf(Rgb c)
{
    return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF));
}

// Nearest whole number, halves to the even neighbour.
int roundEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

void PixelSurface::resize(int width, int height)
{
    if (m_image.width() != width || m_image.height() != height)
        m_image = QImage(qMax(width, 0), qMax(height, 0), QImage::Format_RGB32);
}

Rgb PixelSurface::pixel(int x, int y) const
{
    return inside(x, y) ? rgbOfPixel(m_image.pixel(x, y)) : 0;
}

void PixelSurface::FillBox(int x, int y, int w, int h, Rgb c)
{
    const QRect r = QRect(x, y, w, h).intersected(m_image.rect());
    const quint32 p = pixelOf(c);
    for (int row = r.top(); row <= r.bottom(); ++row) {
        auto* line = reinterpret_cast<quint32*>(m_image.scanLine(row));
        std::fill(line + r.left(), line + r.left() + r.width(), p);
    }
}

void PixelSurface::FrameBox(int x, int y, int w, int h, Rgb c)
{
    if (w <= 0 || h <= 0)
        return;
    FillBox(x, y, w, 1, c);
    FillBox(x, y + h - 1, w, 1, c);
    FillBox(x, y, 1, h, c);
    FillBox(x + w - 1, y, 1, h, c);
}

void PixelSurface::SetDot(int x, int y, Rgb c)
{
    if (inside(x, y))
        m_image.setPixel(x, y, pixelOf(c));
}

// Bresenham from (x, y) to (x2, y2), the end left undrawn; (x, y) ends there.
void PixelSurface::lineTo(int& x, int& y, int x2, int y2, Rgb c)
{
    const int dx = std::abs(x2 - x);
    const int dy = -std::abs(y2 - y);
    const int sx = x < x2 ? 1 : -1;
    const int sy = y < y2 ? 1 : -1;
    int err = dx + dy;
    while (x != x2 || y != y2) {
        SetDot(x, y, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void PixelSurface::DrawLine(int x1, int y1, int x2, int y2, Rgb c)
{
    lineTo(x1, y1, x2, y2, c);
}

void PixelSurface::DrawOval(int x, int y, int w, int h, Rgb pen, Rgb fill)
{
    if (m_image.isNull())
        return;
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(qcolorOf(pen), 2));
    painter.setBrush(qcolorOf(fill));
    painter.drawEllipse(QRectF(x + 1.0, y + 1.0, w - 2.0, h - 2.0));
}

void PixelSurface::DrawBevel(Rgb c1, Rgb c2, Rgb c3, Rgb c4, int inset)
{
    const int i = inset;
    const int W = width();
    const int H = height();
    int x = i;
    int y = H - 1 - i;
    lineTo(x, y, i, i, c1);
    lineTo(x, y, W - 1 - i, i, c1);
    lineTo(x, y, W - 1 - i, H - 1 - i, c2);
    lineTo(x, y, i - 1, H - 1 - i, c2);
    x = i + 1;
    y = H - 2 - i;
    lineTo(x, y, i + 1, i + 1, c3);
    lineTo(x, y, W - 2 - i, i + 1, c3);
    lineTo(x, y, W - 2 - i, H - 2 - i, c4);
    lineTo(x, y, i, H - 2 - i, c4);
}

void PixelSurface::FlatBevel(Rgb c1, Rgb c2)
{
    const int W = width();
    const int H = height();
    int x = 0;
    int y = H - 1;
    lineTo(x, y, 0, 0, c1);
    lineTo(x, y, W - 1, 0, c1);
    lineTo(x, y, W - 1, H - 1, c2);
    lineTo(x, y, -1, H - 1, c2);
}

void PixelSurface::DrawText(const EdgeRect& rect, const QString& text, const QFont& font, Rgb c)
{
    if (m_image.isNull())
        return;
    QPainter painter(&m_image);
    painter.setFont(font);
    painter.setPen(qcolorOf(c));
    painter.drawText(rect.toQRect(), kCaptionFlags, text);
}

void PixelSurface::InvertDottedFrame(const EdgeRect& rect)
{
    const auto invert = [this](int x, int y) {
        if (inside(x, y))
            m_image.setPixel(x, y, m_image.pixel(x, y) ^ 0x00FFFFFFu);
    };
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // Walk the border once, clockwise, inverting every other pixel.
    int step = 0;
    for (int x = rect.left; x < rect.right; ++x, ++step)
        if (step % 2 == 0)
            invert(x, rect.top);
    for (int y = rect.top + 1; y < rect.bottom; ++y, ++step)
        if (step % 2 == 0)
            invert(rect.right - 1, y);
    for (int x = rect.right - 2; x >= rect.left && rect.height() > 1; --x, ++step)
        if (step % 2 == 0)
            invert(x, rect.bottom - 1);
    for (int y = rect.bottom - 2; y > rect.top && rect.width() > 1; --y, ++step)
        if (step % 2 == 0)
            invert(rect.left, y);
}

void PixelSurface::BlitPicture(int x, int y, int w, int h, const QImage& picture, const BlitMode& mode, Rgb iconField)
{
    if (w <= 0 || h <= 0 || picture.isNull())
        return;
    QImage source;
    if (picture.hasAlphaChannel()) {
        source = QImage(w, h, QImage::Format_RGB32);
        source.fill(qcolorOf(iconField));
        QPainter painter(&source);
        painter.drawImage(0, 0, picture);
    } else {
        source = picture.convertToFormat(QImage::Format_RGB32);
    }
    const QRect area = QRect(x, y, w, h).intersected(m_image.rect()).intersected(source.rect().translated(x, y));
    for (int row = area.top(); row <= area.bottom(); ++row) {
        auto* out = reinterpret_cast<quint32*>(m_image.scanLine(row));
        const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(row - y));
        for (int col = area.left(); col <= area.right(); ++col) {
            const QRgb p = in[col - x];
            if (mode.useMask && rgbOfPixel(p) == mode.mask)
                continue;
            const int r = qRed(p);
            const int g = qGreen(p);
            const int b = qBlue(p);
            if (mode.solid) {
                if (!(mode.skipLight && r + g + b > 384))
                    out[col] = pixelOf(*mode.solid);
            } else if (mode.grey) {
                const int v = roundEven(roundEven(0.3 * r) + 0.59 * g + 0.11 * b);
                out[col] = qRgb(v, v, v);
            } else if (mode.blend) {
                const QRgb back = out[col];
                out[col] = qRgb((qRed(back) + 2 * r) / 3, (qGreen(back) + 2 * g) / 3, (qBlue(back) + 2 * b) / 3);
            } else {
                out[col] = 0xFF000000u | p;
            }
        }
    }
}
