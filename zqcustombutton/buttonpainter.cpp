#include "buttonpainter.h"

#include <cmath>

void ButtonPainter::Gradient(Rgb c, int n, bool xp, bool bottomUp)
{
    const int H = m_geometry.H;
    if (H <= 0)
        return;
    // The step is computed in single precision, as the shading has always been.
    const float step = float(n) / float(H);
    for (int i = 1; i <= H; ++i) {
        const int k = int(std::nearbyint(double(step * float(i))));
        const int r = bottomUp ? H - i : i;
        m_surface.DrawLine(0, r, m_geometry.W, r, ShiftColor(c, -k, xp, m_properties.SoftBevel));
    }
}

void ButtonPainter::text(const EdgeRect& at, Rgb c)
{
    m_surface.DrawText(at, m_properties.Caption, m_properties.Font, c);
}

void ButtonPainter::captionEffects(const EdgeRect& at)
{
    const int effect = m_properties.SpecialEffect;
    if (effect <= fx::cbNone)
        return;
    Rgb b = m_colors.cFace;
    if (style() == ButtonTypes::WindowsXP || style() == ButtonTypes::Mac || style() == ButtonTypes::KDE2)
        b = m_colors.cXPFace;
    else if (m_state.lastState == ButtonStates::kUp && m_state.over && m_properties.ColorScheme != ColorTypes::Custom
             && style() == ButtonTypes::OfficeXP)
        b = m_colors.cSelectTint;
    text(at.moved(1, 1), S(b, effect == fx::cbEngraved ? 40 : -40));
    if (effect == fx::cbEngraved)
        text(at.moved(-1, -1), S(b, -40));
    else if (effect == fx::cbEmbossed)
        text(at.moved(-1, -1), S(b, 40));
}

void ButtonPainter::DrawCaption(int mode)
{
    const EdgeRect& up = m_geometry.CaptionRect;
    const EdgeRect& down = m_geometry.CaptionRectDown;
    switch (mode) {
    case 0:
        captionEffects(up);
        text(up, m_colors.cText);
        break;
    case 1:
        captionEffects(up);
        text(up, m_colors.cTextOver);
        break;
    case 2:
        captionEffects(down);
        text(down, style() == ButtonTypes::Mac ? m_colors.cLight : m_colors.cTextOver);
        break;
    case 3:
        text(down, m_colors.cHighlight);
        text(up, m_colors.cShadow);
        break;
    case 4: text(up, m_colors.cShadow); break;
    case 5: text(up, X(-104)); break;
    case 6:
        text(down, m_colors.cHighlight);
        text(up, m_colors.cFace);
        break;
    case 7:
        text(down, S(m_colors.cShadow, -50));
        text(up, m_colors.cHighlight);
        break;
    default: return;
    }
    m_state.lastCaptionMode = mode;
    m_state.lastCaption = m_properties.Caption;
}

void ButtonPainter::DrawFocus()
{
    if (m_properties.ShowFocusRect && m_state.hasFocus)
        m_surface.InvertDottedFrame(m_geometry.FocusRect);
}

BlitMode ButtonPainter::pictureMode() const
{
    BlitMode mode;
    mode.mask = m_colors.cMask;
    mode.useMask = m_properties.UseMaskColor;
    return mode;
}

void ButtonPainter::blit(const QImage& picture, int x, int y, BlitMode mode)
{
    m_surface.BlitPicture(x, y, m_geometry.PicW, m_geometry.PicH, picture, mode, m_colors.cMask);
}

void ButtonPainter::silhouette(const QImage& picture, int x, int y, Rgb c, bool skipLight)
{
    BlitMode mode = pictureMode();
    mode.solid = c;
    mode.skipLight = skipLight;
    blit(picture, x, y, mode);
}

// The relief under a picture drawn at offset o: a silhouette below right, and one above left.
void ButtonPainter::pictureEffects(const QImage& picture, int o)
{
    const int effect = m_properties.SpecialEffect;
    if (effect <= fx::cbNone)
        return;
    Rgb b = m_colors.cFace;
    if (style() == ButtonTypes::WindowsXP)
        b = m_colors.cXPFace;
    else if (o == -1 && m_properties.ColorScheme != ColorTypes::Custom)
        b = m_colors.cSelectTint;
    const int x = m_geometry.PicX + o;
    const int y = m_geometry.PicY + o;
    silhouette(picture, x + 1, y + 1, S(b, effect == fx::cbEngraved ? 40 : -40), false);
    if (effect == fx::cbEngraved)
        silhouette(picture, x - 1, y - 1, S(b, -40), false);
    else if (effect == fx::cbEmbossed)
        silhouette(picture, x - 1, y - 1, S(b, 40), false);
}

void ButtonPainter::DrawPicture(int mode)
{
    const QImage& normal = m_properties.PictureNormal;
    const QImage& over = m_properties.PictureOver;
    if (normal.isNull())
        return;
    const int x = m_geometry.PicX;
    const int y = m_geometry.PicY;
    const bool office = style() == ButtonTypes::OfficeXP;
    switch (mode) {
    case PictureUp:
        if (!m_state.over) {
            pictureEffects(normal, 0);
            BlitMode up = pictureMode();
            up.grey = m_properties.UseGreyscale;
            up.blend = office;
            blit(normal, x, y, up);
        } else if (office) {
            pictureEffects(normal, -1);
            silhouette(normal, x + 1, y + 1, m_colors.cShadow, false);
            blit(normal, x - 1, y - 1, pictureMode());
        } else {
            const QImage& shown = over.isNull() ? normal : over;
            pictureEffects(shown, 0);
            blit(shown, x, y, pictureMode());
        }
        break;
    case PictureDown:
        if (over.isNull() || office) {
            const int k = style() == ButtonTypes::JavaMetal || office ? 0 : 1;
            pictureEffects(normal, k);
            blit(normal, x + k, y + k, pictureMode());
        } else {
            const int k = style() == ButtonTypes::JavaMetal ? 0 : 1;
            blit(over, x + k, y + k, pictureMode());
        }
        break;
    case PictureDisabled:
        if (style() == ButtonTypes::WindowsXP) {
            BlitMode grey = pictureMode();
            grey.grey = true;
            blit(normal, x + 1, y + 1, grey);
        } else if (style() == ButtonTypes::JavaMetal || style() == ButtonTypes::Netscape6 || office) {
            silhouette(normal, x, y, office ? S(m_colors.cShadow, 13) : m_colors.cShadow, true);
        } else {
            silhouette(normal, x + 1, y + 1, m_colors.cHighlight, true);
            silhouette(normal, x, y, m_colors.cShadow, true);
        }
        break;
    default: return;
    }
    if (m_properties.PicturePosition == PicPositions::cbBackground)
        DrawCaption(m_state.lastCaptionMode);
}
