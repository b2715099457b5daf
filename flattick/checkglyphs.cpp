#include "checkglyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

constexpr int kLooks = 4;
constexpr int kValues = 3;

struct Colours
{
    QRgb frame;  // the box's edge
    QRgb face;   // inside an unticked box
    QRgb accent; // a ticked box, and the square of a greyed one
    QRgb mark;   // the tick
};

// Indexed by CheckLook.
constexpr std::array<Colours, kLooks> kColours{{
    {0xff767676, 0xffffffff, 0xff1f6fd1, 0xffffffff}, // idle
    {0xff1f6fd1, 0xffe6f0fc, 0xff4a90e2, 0xffffffff}, // mouse over
    {0xff124c94, 0xffc3d8f3, 0xff124c94, 0xffd6e4f7}, // pushed
    {0xffc4c4c4, 0xfff2f2f2, 0xffc4c4c4, 0xfff7f7f7}, // disabled
}};

constexpr std::array<std::array<const char*, kValues>, kLooks> kNames{{
    {"IdleNoValue", "IdleChecked", "IdleGreyed"},
    {"MouseoverNoValue", "MouseoverChecked", "MouseoverGreyed"},
    {"PushedNoValue", "PushedChecked", "PushedGreyed"},
    {"DisabledNoValue", "CheckedDisabled", "DisabledGrey"},
}};

QImage draw(CheckLook look, CheckTypes value)
{
    const Colours& c = kColours[size_t(look)];
    QImage image(CheckGlyphs::kSize, CheckGlyphs::kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, CheckGlyphs::kSize - 1, CheckGlyphs::kSize - 1);
    if (value == Checked) {
        p.setPen(QPen(QColor(c.accent), 1));
        p.setBrush(QColor(c.accent));
        p.drawRoundedRect(box, 2.5, 2.5);
        QPainterPath tick;
        tick.moveTo(3.0, 6.6);
        tick.lineTo(5.4, 9.0);
        tick.lineTo(10.0, 4.0);
        p.setPen(QPen(QColor(c.mark), 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        return image;
    }
    p.setPen(QPen(QColor(c.frame), 1));
    p.setBrush(QColor(c.face));
    p.drawRoundedRect(box, 2.5, 2.5);
    if (value == Greyed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(c.accent));
        p.drawRoundedRect(QRectF(3, 3, 7, 7), 1, 1);
    }
    return image;
}

} // namespace

const char* CheckGlyphs::name(CheckLook look, CheckTypes value)
{
    return kNames[size_t(look)][size_t(value)];
}

const QImage& CheckGlyphs::image(CheckLook look, CheckTypes value)
{
    static const std::array<std::array<QImage, kValues>, kLooks> glyphs = [] {
        std::array<std::array<QImage, kValues>, kLooks> all;
        for (int l = 0; l < kLooks; ++l) {
            for (int v = 0; v < kValues; ++v)
                all[size_t(l)][size_t(v)] = draw(CheckLook(l), CheckTypes(v));
        }
        return all;
    }();
    return glyphs[size_t(look)][size_t(value)];
}
