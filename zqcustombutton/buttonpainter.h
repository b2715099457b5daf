#pragma once

#include "buttoncolors.h"
#include "buttongeometry.h"
#include "buttonproperties.h"
#include "pixelsurface.h"

// What the button drew last and the input state drawing depends on.
struct ButtonDrawState
{
    bool over = false;
    bool hasFocus = false;
    // The host shows this button as its default one (it has the focus, or it is the default
    // button and no other button has the focus).
    bool defaultLook = false;
    // 0 up, 2 down.
    int lastState = 0;
    QString lastCaption;
    int lastCaptionMode = 0;
};

namespace ButtonStates {
inline constexpr int kUp = 0;
inline constexpr int kDown = 2;
} // namespace ButtonStates

// Draws the caption, the picture and the focus rectangle of a button onto its surface, from its
// properties, colour set and geometry. The button's styles paint their faces with the surface's
// primitives and these.
class ButtonPainter
{
public:
    enum PictureMode { PictureUp = 0, PictureDown = 1, PictureDisabled = 2 };

    ButtonPainter(PixelSurface& surface, const ButtonProperties& properties, ButtonColors& colors,
                  const ButtonGeometry& geometry, ButtonDrawState& state)
        : m_surface(surface)
        , m_properties(properties)
        , m_colors(colors)
        , m_geometry(geometry)
        , m_state(state)
    {
    }

    Rgb S(Rgb c, int n) const { return ShiftColor(c, n, false, m_properties.SoftBevel); }
    Rgb X(int n) const { return ShiftColor(m_colors.cXPFace, n, true, m_properties.SoftBevel); }
    Rgb XS(Rgb c, int n) const { return ShiftColor(c, n, true, m_properties.SoftBevel); }

    // The whole button in one look: the face, the style's frame and caption, then the picture.
    // Values of ButtonType outside the styles get the face and the picture only.
    void DrawButton(PictureMode look);
    // What the transparent style shows under its caption.
    void setBackground(const QImage* background) { m_background = background; }

    // Rows 1 to H shaded from `c`, darkening by up to `n` (from the top or from the bottom).
    void Gradient(Rgb c, int n, bool xp, bool bottomUp);
    // Mode 0 to 7: the caption's colours and offsets for the up, over, down and disabled looks.
    void DrawCaption(int mode);
    void DrawPicture(int mode);
    void DrawFocus();

private:
    void drawUpLook();
    void drawDownLook();
    void drawDisabledLook();
    void capOver() { DrawCaption(m_state.over ? 1 : 0); }
    void boldCaption(int mode);
    void cornerDots(Rgb c);
    void xpRim();
    void xpGlow(Rgb frame, Rgb bottom, Rgb top, Rgb second, Rgb sides);
    void macRim();
    void javaCaptionFrame();
    void kdeFrame();
    void copyBackground();
    void captionEffects(const EdgeRect& at);
    void text(const EdgeRect& at, Rgb c);
    void pictureEffects(const QImage& picture, int offset);
    void blit(const QImage& picture, int x, int y, BlitMode mode);
    void silhouette(const QImage& picture, int x, int y, Rgb c, bool skipLight);
    BlitMode pictureMode() const;
    int style() const { return m_properties.ButtonType; }

    PixelSurface& m_surface;
    const ButtonProperties& m_properties;
    // Writable: the Mac style's down look draws its caption relief on a colour of its own.
    ButtonColors& m_colors;
    const ButtonGeometry& m_geometry;
    ButtonDrawState& m_state;
    const QImage* m_background = nullptr;
};
