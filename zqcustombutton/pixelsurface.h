#pragma once

#include "buttoncolors.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <optional>

struct EdgeRect;

// How BlitPicture composes a picture's pixels onto the surface.
struct BlitMode
{
    Rgb mask = 0;
    bool useMask = false;
    // Set: every drawn pixel becomes this colour (a silhouette).
    std::optional<Rgb> solid;
    // With a silhouette: pixels whose R + G + B is above 384 are left out.
    bool skipLight = false;
    bool grey = false;
    bool blend = false;
};

// The button's drawing surface: an RGB32 image with the primitives the button styles are drawn
// with. Everything is clipped to the image; rectangles exclude their right and bottom edges.
class PixelSurface
{
public:
    void resize(int width, int height);
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }
    Rgb pixel(int x, int y) const;

    void FillBox(int x, int y, int w, int h, Rgb c);
    void FrameBox(int x, int y, int w, int h, Rgb c);
    // From (x1, y1) towards (x2, y2), the end point excluded.
    void DrawLine(int x1, int y1, int x2, int y2, Rgb c);
    void SetDot(int x, int y, Rgb c);
    // The ellipse inside the rectangle: a 2-pixel outline in `pen`, filled with `fill`.
    void DrawOval(int x, int y, int w, int h, Rgb pen, Rgb fill);
    // Two nested outlines: top and left in c1 (inner c3), right and bottom in c2 (inner c4), each
    // path ending one pixel short, `inset` pixels in from the edge.
    void DrawBevel(Rgb c1, Rgb c2, Rgb c3, Rgb c4, int inset);
    void FlatBevel(Rgb c1, Rgb c2);
    // Caption text in the rectangle with the caption's layout, on a transparent background.
    void DrawText(const EdgeRect& rect, const QString& text, const QFont& font, Rgb c);
    // The dotted focus outline: every other pixel of the rectangle's border inverted.
    void InvertDottedFrame(const EdgeRect& rect);
    // Composes w x h pixels of `picture` at (x, y). A picture with transparency (an icon) is first
    // laid on a w x h field of `iconField`; others are used as they are.
    void BlitPicture(int x, int y, int w, int h, const QImage& picture, const BlitMode& mode, Rgb iconField);

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height(); }
    void lineTo(int& x, int& y, int x2, int y2, Rgb c);

    QImage m_image;
};
