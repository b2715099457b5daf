// The thirteen button styles, each in its up, down and disabled look.
#include "buttonpainter.h"

#include <QPainter>

namespace {

// The Windows XP style's fixed blues and oranges.
constexpr Rgb kXPFrame = 0x733C00;
constexpr Rgb kXPCorner = 0x7B4D10;
constexpr Rgb kJavaCaptionFrame = 0xCC9999;

bool isStyle(int style)
{
    return style >= ButtonTypes::Windows16Bit && style <= ButtonTypes::KDE2;
}

} // namespace

void ButtonPainter::DrawButton(PictureMode look)
{
    m_surface.FillBox(0, 0, m_geometry.W, m_geometry.H, m_colors.cFace);
    if (isStyle(style())) {
        switch (look) {
        case PictureUp: drawUpLook(); break;
        case PictureDown: drawDownLook(); break;
        case PictureDisabled: drawDisabledLook(); break;
        }
    }
    DrawPicture(look);
}

void ButtonPainter::drawUpLook()
{
    PixelSurface& s = m_surface;
    const ButtonColors& c = m_colors;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    const bool over = m_state.over;
    switch (style()) {
    case ButtonTypes::Windows16Bit:
        capOver();
        s.DrawBevel(c.cHighlight, c.cShadow, c.cHighlight, c.cShadow, 1);
        s.FrameBox(0, 0, W, H, c.cDarkShadow);
        DrawFocus();
        break;
    case ButtonTypes::Windows32Bit:
        capOver();
        // Only the default button carries the black outline and the focus rectangle.
        if (m_properties.ShowFocusRect && m_state.defaultLook) {
            s.DrawBevel(c.cHighlight, c.cDarkShadow, c.cLight, c.cShadow, 1);
            DrawFocus();
            s.FrameBox(0, 0, W, H, c.cDarkShadow);
        } else {
            s.DrawBevel(c.cHighlight, c.cDarkShadow, c.cLight, c.cShadow, 0);
        }
        break;
    case ButtonTypes::WindowsXP:
        Gradient(c.cXPFace, 25, true, false);
        capOver();
        s.FrameBox(0, 0, W, H, kXPFrame);
        cornerDots(kXPCorner);
        xpRim();
        break;
    case ButtonTypes::Mac:
        s.FillBox(1, 1, W - 2, H - 2, c.cLight);
        capOver();
        s.FrameBox(0, 0, W, H, c.cDarkShadow);
        macRim();
        break;
    case ButtonTypes::JavaMetal:
        s.FillBox(1, 1, W - 1, H - 1, S(c.cFace, 12));
        capOver();
        s.FrameBox(1, 1, W - 1, H - 1, c.cHighlight);
        s.FrameBox(0, 0, W - 1, H - 1, S(c.cShadow, -26));
        s.SetDot(1, H - 2, S(c.cShadow, 26));
        s.SetDot(W - 2, 1, S(c.cShadow, 26));
        javaCaptionFrame();
        break;
    case ButtonTypes::Netscape6:
        capOver();
        s.DrawBevel(S(c.cLight, 8), c.cShadow, S(c.cLight, 8), c.cShadow, 0);
        DrawFocus();
        break;
    case ButtonTypes::SimpleFlat:
    case ButtonTypes::FlatHighlight:
        capOver();
        if (style() == ButtonTypes::SimpleFlat || over)
            s.FlatBevel(c.cHighlight, c.cShadow);
        DrawFocus();
        break;
    case ButtonTypes::OfficeXP:
        if (over)
            s.FillBox(1, 1, W, H, c.cSelectTint);
        capOver();
        if (over)
            s.FrameBox(0, 0, W, H, c.cSelect);
        DrawFocus();
        break;
    case ButtonTypes::Transparent:
        copyBackground();
        capOver();
        DrawFocus();
        break;
    case ButtonTypes::Hover3D:
        capOver();
        if (over)
            s.DrawBevel(c.cHighlight, c.cDarkShadow, c.cLight, c.cShadow, 0);
        DrawFocus();
        break;
    case ButtonTypes::OvalFlat:
        s.DrawOval(0, 0, W, H, over ? c.cShadow : c.cFace, c.cFace);
        capOver();
        break;
    case ButtonTypes::KDE2:
        if (over)
            s.FillBox(0, 0, W, H, c.cLight);
        else
            Gradient(c.cHighlight, 58, false, false);
        if (m_state.defaultLook)
            boldCaption(over ? 1 : 0);
        else
            capOver();
        kdeFrame();
        DrawFocus();
        break;
    default: break;
    }
}

void ButtonPainter::drawDownLook()
{
    PixelSurface& s = m_surface;
    ButtonColors& c = m_colors;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    switch (style()) {
    case ButtonTypes::Windows16Bit:
        DrawCaption(2);
        s.DrawBevel(c.cShadow, c.cHighlight, c.cShadow, c.cHighlight, 1);
        s.FrameBox(0, 0, W, H, c.cDarkShadow);
        DrawFocus();
        break;
    case ButtonTypes::Windows32Bit:
        DrawCaption(2);
        if (m_properties.ShowFocusRect && m_state.defaultLook) {
            s.FrameBox(0, 0, W, H, c.cDarkShadow);
            s.FrameBox(1, 1, W - 2, H - 2, c.cShadow);
            DrawFocus();
        } else {
            s.DrawBevel(c.cDarkShadow, c.cHighlight, c.cShadow, c.cLight, 0);
        }
        break;
    case ButtonTypes::WindowsXP: {
        const Rgb b = X(-32);
        Gradient(b, 25, true, true);
        DrawCaption(2);
        s.FrameBox(0, 0, W, H, kXPFrame);
        cornerDots(kXPCorner);
        s.DrawLine(2, H - 2, W - 2, H - 2, XS(b, 16));
        s.DrawLine(1, H - 3, W - 2, H - 3, XS(b, 10));
        s.DrawLine(W - 2, 2, W - 2, H - 2, XS(b, 5));
        s.DrawLine(W - 3, 3, W - 3, H - 3, c.cXPFace);
        s.DrawLine(2, 1, W - 2, 1, XS(b, -32));
        s.DrawLine(1, 2, W - 2, 2, XS(b, -24));
        s.DrawLine(1, 2, 1, H - 2, XS(b, -32));
        s.DrawLine(2, 2, 2, H - 2, XS(b, -22));
        break;
    }
    case ButtonTypes::Mac: {
        const Rgb d = S(c.cShadow, -16);
        const Rgb inner = S(c.cShadow, -32);
        s.FillBox(1, 1, W - 2, H - 2, d);
        // The caption's relief is cut from the pressed face, not from the light one.
        c.cXPFace = d;
        DrawCaption(2);
        c.cXPFace = S(c.cFace, 48);
        s.FrameBox(0, 0, W, H, c.cDarkShadow);
        s.FrameBox(1, 1, W - 2, H - 2, S(c.cShadow, -64));
        s.FrameBox(2, 2, W - 4, H - 4, inner);
        s.SetDot(2, 2, S(c.cShadow, -64));
        s.SetDot(3, 3, inner);
        cornerDots(c.cDarkShadow);
        s.DrawLine(W - 3, 1, W - 3, H - 3, c.cShadow);
        s.DrawLine(1, H - 3, W - 2, H - 3, c.cShadow);
        s.SetDot(W - 4, H - 4, c.cShadow);
        s.DrawLine(W - 2, 3, W - 2, H - 2, d);
        s.DrawLine(3, H - 2, W - 2, H - 2, d);
        s.DrawLine(W - 2, H - 3, W - 4, H - 1, inner);
        s.SetDot(2, H - 2, inner);
        s.SetDot(W - 2, 2, inner);
        break;
    }
    case ButtonTypes::JavaMetal:
        s.FillBox(1, 1, W - 2, H - 2, S(c.cShadow, 16));
        s.FrameBox(0, 0, W - 1, H - 1, S(c.cShadow, -26));
        s.DrawLine(W - 1, 1, W - 1, H, c.cHighlight);
        s.DrawLine(1, H - 1, W - 1, H - 1, c.cHighlight);
        text(m_geometry.CaptionRect, c.cTextOver);
        javaCaptionFrame();
        break;
    case ButtonTypes::Netscape6:
        DrawCaption(2);
        s.DrawBevel(c.cShadow, S(c.cLight, 8), c.cShadow, S(c.cLight, 8), 0);
        DrawFocus();
        break;
    case ButtonTypes::SimpleFlat:
    case ButtonTypes::FlatHighlight:
        DrawCaption(2);
        s.FlatBevel(c.cShadow, c.cHighlight);
        DrawFocus();
        break;
    case ButtonTypes::OfficeXP:
        if (m_state.over)
            s.FillBox(0, 0, W, H,
                      m_properties.ColorScheme == ColorTypes::Custom ? S(c.cSelectTint, -32)
                                                                     : TintColor(c.cSelect, 128));
        DrawCaption(2);
        s.FrameBox(0, 0, W, H, c.cSelect);
        DrawFocus();
        break;
    case ButtonTypes::Transparent:
        copyBackground();
        DrawCaption(2);
        DrawFocus();
        break;
    case ButtonTypes::Hover3D:
        DrawCaption(2);
        s.DrawBevel(c.cDarkShadow, c.cHighlight, c.cShadow, c.cLight, 0);
        DrawFocus();
        break;
    case ButtonTypes::OvalFlat:
        s.DrawOval(0, 0, W, H, c.cDarkShadow, S(c.cFace, -32));
        DrawCaption(2);
        break;
    case ButtonTypes::KDE2:
        s.FillBox(1, 1, W, H, S(c.cFace, -9));
        s.FrameBox(0, 0, W, H, S(c.cShadow, -48));
        s.DrawLine(2, H - 2, W - 2, H - 2, c.cHighlight);
        s.DrawLine(W - 2, 2, W - 2, H - 1, c.cHighlight);
        DrawCaption(7);
        DrawFocus();
        break;
    default: break;
    }
}

void ButtonPainter::drawDisabledLook()
{
    PixelSurface& s = m_surface;
    const ButtonColors& c = m_colors;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    switch (style()) {
    case ButtonTypes::Windows16Bit:
        DrawCaption(3);
        s.DrawBevel(c.cHighlight, c.cShadow, c.cHighlight, c.cShadow, 1);
        s.FrameBox(0, 0, W, H, c.cDarkShadow);
        break;
    case ButtonTypes::Windows32Bit:
        DrawCaption(3);
        s.DrawBevel(c.cHighlight, c.cDarkShadow, c.cLight, c.cShadow, 0);
        break;
    case ButtonTypes::WindowsXP:
        s.FillBox(0, 0, W, H, X(-24));
        DrawCaption(5);
        s.FrameBox(0, 0, W, H, X(-84));
        cornerDots(X(-72));
        break;
    case ButtonTypes::Mac:
        s.FillBox(1, 1, W - 2, H - 2, c.cLight);
        DrawCaption(3);
        s.FrameBox(0, 0, W, H, c.cDarkShadow);
        macRim();
        break;
    case ButtonTypes::JavaMetal:
        DrawCaption(4);
        s.FrameBox(0, 0, W, H, c.cShadow);
        break;
    case ButtonTypes::Netscape6:
        DrawCaption(4);
        s.DrawBevel(S(c.cLight, 8), c.cShadow, S(c.cLight, 8), c.cShadow, 0);
        break;
    case ButtonTypes::SimpleFlat:
        DrawCaption(3);
        s.FlatBevel(c.cHighlight, c.cShadow);
        break;
    case ButtonTypes::OfficeXP: DrawCaption(4); break;
    case ButtonTypes::Transparent:
        copyBackground();
        DrawCaption(3);
        break;
    case ButtonTypes::KDE2:
        Gradient(c.cHighlight, 58, false, false);
        kdeFrame();
        DrawCaption(6);
        break;
    case ButtonTypes::FlatHighlight:
    case ButtonTypes::Hover3D:
    case ButtonTypes::OvalFlat: DrawCaption(3); break;
    default: break;
    }
}

// With the host's default look the KDE caption is bold, laid out for the bold font.
void ButtonPainter::boldCaption(int mode)
{
    ButtonProperties bold = m_properties;
    bold.Font.setBold(true);
    ButtonGeometry geometry = m_geometry;
    geometry.LayoutCaption(bold.Caption, bold.Font, bold.PicturePosition,
                           !bold.PictureNormal.isNull() || !bold.PictureOver.isNull());
    ButtonPainter(m_surface, bold, m_colors, geometry, m_state).DrawCaption(mode);
}

void ButtonPainter::cornerDots(Rgb c)
{
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    m_surface.SetDot(1, 1, c);
    m_surface.SetDot(1, H - 2, c);
    m_surface.SetDot(W - 2, 1, c);
    m_surface.SetDot(W - 2, H - 2, c);
}

// The XP button's inner rim: orange under the mouse, blue with the focus or as the default
// button, else shades of its face.
void ButtonPainter::xpRim()
{
    if (m_state.over) {
        xpGlow(0x31B2FF, 0x0096E7, 0xCEF3FF, 0x8CDBFF, 0x6BCBFF);
        return;
    }
    if (m_properties.ShowFocusRect && (m_state.hasFocus || m_state.defaultLook)) {
        xpGlow(0xE7AE8C, 0xEF826B, 0xFFE7CE, 0xF7D7BD, 0xF0D1B5);
        return;
    }
    PixelSurface& s = m_surface;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    s.DrawLine(2, H - 2, W - 2, H - 2, X(-48));
    s.DrawLine(1, H - 3, W - 2, H - 3, X(-32));
    s.DrawLine(W - 2, 2, W - 2, H - 2, X(-36));
    s.DrawLine(W - 3, 3, W - 3, H - 3, X(-24));
    s.DrawLine(2, 1, W - 2, 1, X(16));
    s.DrawLine(1, 2, W - 2, 2, X(10));
    s.DrawLine(1, 2, 1, H - 2, X(-5));
    s.DrawLine(2, 3, 2, H - 3, X(-10));
}

void ButtonPainter::xpGlow(Rgb frame, Rgb bottom, Rgb top, Rgb second, Rgb sides)
{
    PixelSurface& s = m_surface;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    s.FrameBox(1, 2, W - 2, H - 4, frame);
    s.DrawLine(2, H - 2, W - 2, H - 2, bottom);
    s.DrawLine(2, 1, W - 2, 1, top);
    s.DrawLine(1, 2, W - 1, 2, second);
    s.DrawLine(2, 3, 2, H - 3, sides);
    s.DrawLine(W - 3, 3, W - 3, H - 3, sides);
}

void ButtonPainter::macRim()
{
    PixelSurface& s = m_surface;
    const ButtonColors& c = m_colors;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    cornerDots(c.cDarkShadow);
    s.DrawLine(1, 2, 2, 0, c.cFace);
    s.DrawLine(3, 2, W - 3, 2, c.cHighlight);
    s.DrawLine(2, 2, 2, H - 3, c.cHighlight);
    s.SetDot(3, 3, c.cHighlight);
    s.DrawLine(W - 3, 1, W - 3, H - 3, c.cFace);
    s.DrawLine(1, H - 3, W - 3, H - 3, c.cFace);
    s.SetDot(W - 4, H - 4, c.cFace);
    s.DrawLine(W - 2, 2, W - 2, H - 2, c.cShadow);
    s.DrawLine(2, H - 2, W - 2, H - 2, c.cShadow);
    s.SetDot(W - 3, H - 3, c.cShadow);
}

void ButtonPainter::javaCaptionFrame()
{
    if (!(m_state.hasFocus && m_properties.ShowFocusRect))
        return;
    const EdgeRect& r = m_geometry.CaptionRect;
    m_surface.FrameBox(r.left - 2, r.top - 1, r.width() + 4, r.height() + 2, kJavaCaptionFrame);
}

void ButtonPainter::kdeFrame()
{
    PixelSurface& s = m_surface;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    s.FrameBox(0, 0, W, H, S(m_colors.cShadow, -50));
    s.FrameBox(1, 1, W - 2, H - 2, S(m_colors.cFace, -9));
    s.FillBox(2, 2, W - 4, 2, m_colors.cHighlight);
    s.FillBox(2, 4, 2, H - 6, m_colors.cHighlight);
}

void ButtonPainter::copyBackground()
{
    if (m_background && !m_background->isNull() && !m_surface.image().isNull())
        QPainter(&m_surface.image()).drawImage(0, 0, *m_background);
}
