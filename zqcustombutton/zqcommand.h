#pragma once

#include "buttoncolors.h"
#include "buttongeometry.h"
#include "buttonpainter.h"
#include "buttonproperties.h"
#include "pixelsurface.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// The owner-drawn command button. Its behaviour lives in plain parts: the stored properties and
// their persistence (ButtonProperties), the colour set (ComputeColors), the geometry and shape
// (ButtonGeometry, BuildRegion) and the drawing of caption, picture and focus (ButtonPainter) on
// a pixel surface that the widget shows as it is.
//
// Writes of the persisted properties tell the host through propertyChanged with the property's
// bag key. Nothing is drawn while the shown flag is down (after Hide or DisableRefresh).
//
// Mouse, keys, focus and the access key draw the button up, down or under the mouse and raise
// its events; Click comes once per completed left click, space-bar release, access key, and
// Enter or Escape for the default or cancel button, after the button is redrawn and a toggle's
// Value has flipped. The platform does not tell a control that the mouse left it, so while the
// mouse is over the button a timer looks whether it still is.
//
// Keys: KeyDown and KeyUp carry the desktop's virtual-key codes; KeyPress comes only for a key
// that produces a character, with that character's code (Enter 13, Backspace 8, Escape 27; not
// Delete). Space, the arrow keys and Enter are the button's own; every other key is raised as the
// button's events first and then goes on to its parent (Escape to the window's cancel button, say).
// Mouse buttons other than left, right and middle are not the button's: they go to its parent.
//
// A host may destroy the button in any of its event handlers: nothing of it is used afterwards.
class ZqCommand final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(OleColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(OleColor BackOver READ BackOver WRITE setBackOver)
    Q_PROPERTY(OleColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(OleColor ForeOver READ ForeOver WRITE setForeOver)
    Q_PROPERTY(OleColor MaskColor READ MaskColor WRITE setMaskColor)
    Q_PROPERTY(int ButtonType READ ButtonType WRITE setButtonType)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setButtonEnabled)
    Q_PROPERTY(QFont Font READ Font WRITE setButtonFont)
    Q_PROPERTY(bool FontBold READ FontBold WRITE setFontBold)
    Q_PROPERTY(bool FontItalic READ FontItalic WRITE setFontItalic)
    Q_PROPERTY(bool FontUnderline READ FontUnderline WRITE setFontUnderline)
    Q_PROPERTY(short FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(int ColorScheme READ ColorScheme WRITE setColorScheme)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)
    Q_PROPERTY(short MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(QImage MouseIcon READ MouseIcon WRITE setMouseIcon)
    Q_PROPERTY(bool HandPointer READ HandPointer WRITE setHandPointer)
    Q_PROPERTY(qulonglong hWnd READ hWnd)
    Q_PROPERTY(bool SoftBevel READ SoftBevel WRITE setSoftBevel)
    Q_PROPERTY(QImage PictureNormal READ PictureNormal WRITE setPictureNormal)
    Q_PROPERTY(QImage PictureOver READ PictureOver WRITE setPictureOver)
    Q_PROPERTY(int PicturePosition READ PicturePosition WRITE setPicturePosition)
    Q_PROPERTY(bool UseMaskColor READ UseMaskColor WRITE setUseMaskColor)
    Q_PROPERTY(bool UseGreyscale READ UseGreyscale WRITE setUseGreyscale)
    Q_PROPERTY(int SpecialEffect READ SpecialEffect WRITE setSpecialEffect)
    Q_PROPERTY(bool CheckBoxBehaviour READ CheckBoxBehaviour WRITE setCheckBoxBehaviour)
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(QString Version READ Version)
    Q_PROPERTY(bool Default READ Default WRITE setDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel)

public:
    explicit ZqCommand(QWidget* parent = nullptr);
    ~ZqCommand() override;

    OleColor BackColor() const { return m_p.BackColor; }
    void setBackColor(OleColor color);
    OleColor BackOver() const { return m_p.BackOver; }
    void setBackOver(OleColor color);
    OleColor ForeColor() const { return m_p.ForeColor; }
    void setForeColor(OleColor color);
    OleColor ForeOver() const { return m_p.ForeOver; }
    void setForeOver(OleColor color);
    OleColor MaskColor() const { return m_p.MaskColor; }
    void setMaskColor(OleColor color);
    int ButtonType() const { return m_p.ButtonType; }
    void setButtonType(int type);
    QString Caption() const { return m_p.Caption; }
    void setCaption(const QString& caption);
    bool Enabled() const { return m_p.Enabled; }
    void setButtonEnabled(bool enabled);
    QFont Font() const { return m_p.Font; }
    void setButtonFont(const QFont& font);
    bool FontBold() const { return m_p.Font.bold(); }
    void setFontBold(bool on);
    bool FontItalic() const { return m_p.Font.italic(); }
    void setFontItalic(bool on);
    bool FontUnderline() const { return m_p.Font.underline(); }
    void setFontUnderline(bool on);
    short FontSize() const;
    void setFontSize(short size);
    QString FontName() const { return m_p.Font.family(); }
    void setFontName(const QString& name);
    int ColorScheme() const { return m_p.ColorScheme; }
    void setColorScheme(int scheme);
    bool ShowFocusRect() const { return m_p.ShowFocusRect; }
    void setShowFocusRect(bool on);
    short MousePointer() const { return m_p.MousePointer; }
    void setMousePointer(short pointer);
    QImage MouseIcon() const { return m_p.MouseIcon; }
    void setMouseIcon(const QImage& icon);
    bool HandPointer() const { return m_p.HandPointer; }
    void setHandPointer(bool on);
    qulonglong hWnd() { return qulonglong(winId()); }
    bool SoftBevel() const { return m_p.SoftBevel; }
    void setSoftBevel(bool on);
    QImage PictureNormal() const { return m_p.PictureNormal; }
    void setPictureNormal(const QImage& picture);
    QImage PictureOver() const { return m_p.PictureOver; }
    void setPictureOver(const QImage& picture);
    int PicturePosition() const { return m_p.PicturePosition; }
    void setPicturePosition(int position);
    bool UseMaskColor() const { return m_p.UseMaskColor; }
    void setUseMaskColor(bool on);
    bool UseGreyscale() const { return m_p.UseGreyscale; }
    void setUseGreyscale(bool on);
    int SpecialEffect() const { return m_p.SpecialEffect; }
    void setSpecialEffect(int effect);
    bool CheckBoxBehaviour() const { return m_p.CheckBoxBehaviour; }
    void setCheckBoxBehaviour(bool on);
    bool Value() const { return m_p.Value; }
    void setValue(bool on);
    static QString Version() { return QStringLiteral("1.0.0"); }

    Q_INVOKABLE void DisableRefresh();
    Q_INVOKABLE void Refresh();

    // Design data. A new instance takes its caption from the control's name (its object name,
    // set by the host) and its font from the container.
    Q_INVOKABLE void InitProperties();
    Q_INVOKABLE void ReadProperties(const PropertyBag* bag);
    Q_INVOKABLE void WriteProperties(PropertyBag* bag) const;

    // The host's design mode: writing BackColor or ForeColor also writes the over colour, and
    // the style "Java metal" makes the font bold.
    void setDesignMode(bool on) { m_designMode = on; }

    // The host's roles for the button, not stored with it. The default button looks it while no
    // other button has the focus, and Enter in its window clicks it; Escape clicks the cancel
    // button. A button with the focus looks like the default one and takes Enter itself.
    bool Default() const { return m_default; }
    void setDefault(bool on);
    bool Cancel() const { return m_cancel; }
    void setCancel(bool on);

    // Paints the face and the caption, picture and focus rectangle for the state (0 up, 2 down).
    // Without `forced`, nothing is done when the state and caption are those drawn last.
    void Redraw(int state, bool forced);

    // What the drawing works on, for the host's tools and for tests.
    const ButtonColors& colors() const { return m_colors; }
    const ButtonGeometry& geometry() const { return m_geometry; }
    const QImage& surface() const { return m_surface.image(); }
    const QImage& backgroundCopy() const { return m_background; }
    QChar accessKey() const { return m_accessKey; }
    bool isShownFlag() const { return m_shown; }
    bool isOver() const { return m_draw.over; }
    bool looksDefault() const { return m_draw.defaultLook; }
    bool isOverTimerActive() const { return m_overTimer.isActive(); }

signals:
    void Click();
    void MouseDown(short Button, short Shift, float X, float Y);
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseUp(short Button, short Shift, float X, float Y);
    void KeyPress(short KeyAscii);
    void KeyDown(short KeyCode, short Shift);
    void KeyUp(short KeyCode, short Shift);
    void MouseOver();
    void MouseOut();
    // To the host: a persisted property changed; the name is its bag key.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void recolour() { recolourWith(m_p.BackColor); }
    void recolourWith(OleColor back);
    void relayout();
    void redrawLast() { Redraw(m_draw.lastState, true); }
    void redrawUp() { Redraw(ButtonStates::kUp, true); }
    void handleResize();
    void CaptureBackground();
    void applyPointer();
    void updateAccessKey();
    // Raises an event; false when the host destroyed the button in its handler.
    bool survives(const std::function<void()>& raise);
    void mousePressed(short button, short shift, QPointF at);
    void clicked();
    void raiseClick(bool forced);
    void accessKeyPressed();
    void overTick();
    bool mouseIsOver(QPoint global) const;
    bool updateDefaultLook();
    void watchWindow();
    void setColor(OleColor& field, OleColor value, const char* key);
    void changeFont(const std::function<void(QFont&)>& change);
    ButtonBagDefaults bagDefaults() const;

    ButtonProperties m_p;
    ButtonColors m_colors;
    ButtonGeometry m_geometry;
    ButtonDrawState m_draw;
    PixelSurface m_surface;
    QImage m_background;
    QChar m_accessKey;
    int m_accessKeyId = 0;
    QTimer m_overTimer;
    int m_lastMouseButton = 0;
    int m_lastKey = 0;
    bool m_default = false;
    bool m_cancel = false;
    QPointer<QWidget> m_watchedWindow;
    QMetaObject::Connection m_focusWatch;
    bool m_shown = true;
    bool m_capturing = false;
    bool m_designMode = false;
};
