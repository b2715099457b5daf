#pragma once

#include "checkbehaviour.h"
#include "propertybag.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QMouseEvent;

// The flat three-state check box. The box is the picture `Picture1` (13 x 13, at the left edge,
// centred vertically); the caption is the inner check box `Check1`, whose own box lies under the
// picture and is never drawn. Presses and releases on either act alike: a press changes the value
// at once (MouseDown first), the release raises Click.
//
// The mouse-over look is kept up to date without polling: the parts' enter and leave events, a
// release, and a read or write of Value each start the single-shot `Timer1`; its tick looks at the
// window under the mouse, as a poll would, and shows the mouse-over or the idle picture. So the
// look changes at the first tick after such a moment, and no timer runs while nothing happens.
class Check final : public QWidget
{
    Q_OBJECT
    // One of CheckTypes; reading it shows the box at rest again.
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(QFont Font READ Font WRITE setCaptionFont)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setCheckEnabled)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(OleColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(OleColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(OleColor DisabledColor READ DisabledColor WRITE setDisabledColor)

public:
    static constexpr int kHoverTickMs = 10;
    // Where the inner check box starts: its own box then lies under the picture.
    static constexpr int kCaptionLeft = -2;

    explicit Check(QWidget* parent = nullptr);

    int Value();
    // A number other than the three values is refused. Raises no event.
    void setValue(int value);
    QFont Font() const;
    void setCaptionFont(const QFont& font);
    bool Enabled() const { return m_behaviour.enabled(); }
    void setCheckEnabled(bool enabled);
    QString Caption() const;
    void setCaption(const QString& caption);
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor color);
    OleColor ForeColor() const { return m_foreColor; }
    // Recolours the caption at once, also while disabled.
    void setForeColor(OleColor color);
    OleColor DisabledColor() const { return m_disabledColor; }
    // Shows when Enabled is written next or the control is resized.
    void setDisabledColor(OleColor color);

    // Design data. The caption defaults to the control's name (its object name, set by the host).
    Q_INVOKABLE void InitProperties();
    Q_INVOKABLE void ReadProperties(const PropertyBag* bag);
    Q_INVOKABLE void WriteProperties(PropertyBag* bag) const;

    QSize sizeHint() const override;

    // What is on screen, without the side effect of reading Value: the box picture's name and the
    // caption's colour.
    QString shownPicture() const;
    OleColor captionColor() const { return m_captionColor; }
    bool isHoverTickPending() const { return m_timer1.isActive(); }

signals:
    void Click();
    void DblClick();
    // Part of the event interface, never raised: the release raises Click instead.
    void MouseUp(short Button, short Shift, float X, float Y);
    // Button: 1 left, 2 right, 4 middle. Shift: 1 Shift, 2 Ctrl, 4 Alt. X, Y: twips in the part.
    void MouseDown(short Button, short Shift, float X, float Y);
    // To the host: a persisted property changed.
    void propertyChanged(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void writeValue(qint64 value);
    void press(const QMouseEvent& event);
    void release(const QMouseEvent& event);
    void scheduleHoverTick();
    void hoverTick();
    void showPicture();
    void applyColors();
    QFont containerFont() const;

    CheckBehaviour m_behaviour;
    QLabel* m_picture1;
    QCheckBox* m_check1;
    QTimer m_timer1;
    OleColor m_foreColor{0};
    OleColor m_disabledColor{0xC0C0C0};
    // The inner check box's own colours.
    OleColor m_captionColor{0x800000};
    OleColor m_backColor{0xFFFFFF};
};
