#pragma once

#include <QPalette>
#include <QtGlobal>

// Colours here are RGB values 0x00BBGGRR, as the button draws with them.
using Rgb = quint32;

// The colour set a button draws with, computed from its colour scheme.
struct ButtonColors
{
    Rgb cFace = 0;
    Rgb cLight = 0;
    Rgb cHighlight = 0;
    Rgb cShadow = 0;
    Rgb cDarkShadow = 0;
    Rgb cText = 0;
    Rgb cTextOver = 0;
    Rgb cMask = 0;
    Rgb cXPFace = 0;
    Rgb cSelect = 0;
    Rgb cSelectTint = 0;
};

// What the colour set depends on besides the button's own colours: the desktop's palette for the
// system colours, and the container's background and text for the scheme "Use Container".
struct ColorSources
{
    QPalette system;
    Rgb containerBack = 0;
    Rgb containerText = 0;
};

struct ColorInputs
{
    int scheme = 0;
    int style = 0;
    bool softBevel = false;
    quint32 backColor = 0; // OLE colours
    quint32 foreColor = 0;
    quint32 foreOver = 0;
    quint32 maskColor = 0;
};

// Brighter (amount > 0) or darker by `amount` on every channel, clamped in the direction of the
// change; soft bevels move half as far. `xp` scales the blue channel's change by its own value.
Rgb ShiftColor(Rgb color, int amount, bool xp, bool softBevel);
// Each channel lifted towards white, never below `base`.
Rgb TintColor(Rgb color, int base);
// An OLE colour as RGB: a system colour index through the palette; an unknown index gives 0.
Rgb TranslateColor(quint32 oleColor, const QPalette& palette);
ButtonColors ComputeColors(const ColorInputs& in, const ColorSources& sources);

Rgb rgbFromQColor(const QColor& color);
// The 32-bit pixel value (0xFFRRGGBB) of an RGB colour.
quint32 pixelOf(Rgb color);
