#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

// A rectangle by its edges, right and bottom excluded, as the button's layout computes it.
struct EdgeRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    EdgeRect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    friend bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

// The text layout the caption is measured and drawn with: centred, word-wrapped, "&" marking the
// access key and "&&" a literal ampersand.
inline constexpr int kCaptionFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;

// Where the caption, the picture and the focus rectangle go on a button of W x H pixels.
class ButtonGeometry
{
public:
    int W = 0;
    int H = 0;
    EdgeRect CaptionRect;
    EdgeRect CaptionRectDown;
    EdgeRect FocusRect;
    int PicX = 0;
    int PicY = 0;
    int PicW = 0;
    int PicH = 0;

    // A new client size: the focus rectangle follows it, inset by the style's margin.
    void resize(int style, int width, int height);
    // The picture's size; none gives 0 x 0.
    void MeasurePicture(const QImage& pictureNormal);
    // Measures the caption in the space the picture leaves and centres it there, then places the
    // picture beside it. A position above cbBackground keeps the previous caption rectangle.
    void LayoutCaption(const QString& caption, const QFont& font, int picturePosition, bool hasPicture);
    void PlacePicture(const QString& caption, int picturePosition, bool hasPicture);
};

// The button's shape: the client rectangle with the style's corner pixels cut away, or the
// ellipse inside it.
QRegion BuildRegion(int style, int width, int height);
