#include "buttoncolors.h"

#include "buttonenums.h"
#include "olecolor.h"

namespace {

// The system colour indices the button uses.
constexpr quint32 kHighlight = 13;
constexpr quint32 kButtonFace = 15;
constexpr quint32 kButtonShadow = 16;
constexpr quint32 kButtonText = 18;
constexpr quint32 kButtonHighlight = 20;
constexpr quint32 kDarkShadow3D = 21;
constexpr quint32 kLight3D = 22;

Rgb system(quint32 index, const QPalette& palette)
{
    return TranslateColor(OleColors::kSystemColourFlag | index, palette);
}

int channel(Rgb color, int byte)
{
    return int((color >> (8 * byte)) & 0xFF);
}

} // namespace

Rgb rgbFromQColor(const QColor& color)
{
    return Rgb(color.red()) | Rgb(color.green()) << 8 | Rgb(color.blue()) << 16;
}

quint32 pixelOf(Rgb color)
{
    return 0xFF000000u | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

Rgb ShiftColor(Rgb color, int amount, bool xp, bool softBevel)
{
    if (softBevel)
        amount /= 2;
    int r = channel(color, 0);
    int g = channel(color, 1);
    int b = channel(color, 2);
    b = xp ? b + b * amount / 192 : b + amount;
    g += amount;
    r += amount;
    const auto clamp = [amount](int v) { return amount > 0 ? qMin(v, 255) : amount < 0 ? qMax(v, 0) : v; };
    return Rgb(clamp(r)) | Rgb(clamp(g)) << 8 | Rgb(clamp(b)) << 16;
}

Rgb TintColor(Rgb color, int base)
{
    Rgb out = 0;
    for (int byte = 0; byte < 3; ++byte)
        out |= Rgb(qMin(base + channel(color, byte) * (255 - base) / 255, 255)) << (8 * byte);
    return out;
}

Rgb TranslateColor(quint32 oleColor, const QPalette& palette)
{
    return rgbFromQColor(OleColors::toColor(oleColor, palette));
}

ButtonColors ComputeColors(const ColorInputs& in, const ColorSources& sources)
{
    const QPalette& pal = sources.system;
    const auto S = [&in](Rgb c, int n) { return ShiftColor(c, n, false, in.softBevel); };
    ButtonColors c;
    const auto derive = [&] {
        c.cShadow = S(c.cFace, -64);
        c.cLight = S(c.cFace, 31);
        c.cHighlight = S(c.cFace, 47);
        c.cDarkShadow = S(c.cFace, -192);
    };
    switch (in.scheme) {
    case ColorTypes::Custom:
        c.cFace = TranslateColor(in.backColor, pal);
        c.cText = TranslateColor(in.foreColor, pal);
        c.cTextOver = TranslateColor(in.foreOver, pal);
        derive();
        c.cSelect = S(c.cFace, -128);
        c.cSelectTint = c.cFace;
        break;
    case ColorTypes::ForceStandard:
        c.cFace = 0xC0C0C0;
        c.cShadow = 0x808080;
        c.cLight = 0xDFDFDF;
        c.cHighlight = 0xFFFFFF;
        c.cSelect = 0x800000;
        c.cSelectTint = 0xD1ADAD;
        break;
    case ColorTypes::UseContainer:
        c.cFace = sources.containerBack;
        c.cText = c.cTextOver = sources.containerText;
        derive();
        c.cSelect = system(kHighlight, pal);
        c.cSelectTint = TintColor(c.cSelect, 176);
        break;
    default:
        c.cFace = system(kButtonFace, pal);
        c.cText = c.cTextOver = system(kButtonText, pal);
        c.cShadow = system(kButtonShadow, pal);
        c.cLight = system(kLight3D, pal);
        c.cHighlight = system(kButtonHighlight, pal);
        c.cDarkShadow = system(kDarkShadow3D, pal);
        c.cSelect = system(kHighlight, pal);
        c.cSelectTint = TintColor(c.cSelect, 176);
        break;
    }
    c.cMask = TranslateColor(in.maskColor, pal);
    c.cXPFace = ShiftColor(c.cFace, 48, in.style == ButtonTypes::WindowsXP, in.softBevel);
    return c;
}
