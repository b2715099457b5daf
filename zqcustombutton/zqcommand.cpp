#include "zqcommand.h"

#include "olecolor.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <array>
#include <cmath>

namespace {

const OleColor kMaskColorDefault{0xC0C0C0};
constexpr quint32 kSystemButtonFace = OleColors::kSystemColourFlag | 15;
constexpr quint32 kSystemButtonText = OleColors::kSystemColourFlag | 18;

// The host's mouse pointers 1 to 15 (0 is the default, 99 the control's own icon).
constexpr std::array<Qt::CursorShape, 16> kPointerShapes{
    Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
    Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
    Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
    Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
};

// How often the button looks whether the mouse has left it, while the mouse is over it.
constexpr int kOverPollMs = 3;

// The codes the button's events carry: mouse buttons 1 left, 2 right, 4 middle; shift keys
// 1 Shift, 2 Ctrl, 4 Alt.
short buttonCode(Qt::MouseButtons buttons)
{
    return short((buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
                 | (buttons & Qt::MiddleButton ? 4 : 0));
}

short shiftCode(Qt::KeyboardModifiers modifiers)
{
    return short((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
                 | (modifiers & Qt::AltModifier ? 4 : 0));
}

// The key codes of the key events: the desktop's virtual-key numbers (letters and digits as their
// upper-case characters, the keypad's digits 96-105 and operators 106-111, punctuation as on a US
// keyboard); 0 for keys without one.
short keyCode(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return short(96 + key - Qt::Key_0);
        static const QHash<int, short> keypad{
            {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},   {Qt::Key_Comma, 108},
            {Qt::Key_Minus, 109},    {Qt::Key_Period, 110}, {Qt::Key_Slash, 111},
        };
        if (const auto it = keypad.constFind(key); it != keypad.constEnd())
            return *it;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return short(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return short(112 + key - Qt::Key_F1);
    // The shifted digits keep their key's code; punctuation, plain and shifted, is that of a US keyboard.
    static const QHash<int, short> codes{
        {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},      {Qt::Key_Clear, 12},
        {Qt::Key_Return, 13},      {Qt::Key_Enter, 13},       {Qt::Key_Shift, 16},       {Qt::Key_Control, 17},
        {Qt::Key_Alt, 18},         {Qt::Key_Pause, 19},       {Qt::Key_CapsLock, 20},    {Qt::Key_Escape, 27},
        {Qt::Key_Space, 32},       {Qt::Key_PageUp, 33},      {Qt::Key_PageDown, 34},    {Qt::Key_End, 35},
        {Qt::Key_Home, 36},        {Qt::Key_Left, 37},        {Qt::Key_Up, 38},          {Qt::Key_Right, 39},
        {Qt::Key_Down, 40},        {Qt::Key_Print, 44},       {Qt::Key_Insert, 45},      {Qt::Key_Delete, 46},
        {Qt::Key_Help, 47},        {Qt::Key_Meta, 91},        {Qt::Key_Super_L, 91},     {Qt::Key_Super_R, 92},
        {Qt::Key_Menu, 93},        {Qt::Key_NumLock, 144},    {Qt::Key_ScrollLock, 145}, {Qt::Key_ParenRight, 48},
        {Qt::Key_Exclam, 49},      {Qt::Key_At, 50},          {Qt::Key_NumberSign, 51},  {Qt::Key_Dollar, 52},
        {Qt::Key_Percent, 53},     {Qt::Key_AsciiCircum, 54}, {Qt::Key_Ampersand, 55},   {Qt::Key_Asterisk, 56},
        {Qt::Key_ParenLeft, 57},   {Qt::Key_Semicolon, 186},  {Qt::Key_Colon, 186},      {Qt::Key_Equal, 187},
        {Qt::Key_Plus, 187},       {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},       {Qt::Key_Minus, 189},
        {Qt::Key_Underscore, 189}, {Qt::Key_Period, 190},     {Qt::Key_Greater, 190},    {Qt::Key_Slash, 191},
        {Qt::Key_Question, 191},   {Qt::Key_QuoteLeft, 192},  {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219},
        {Qt::Key_BraceLeft, 219},  {Qt::Key_Backslash, 220},  {Qt::Key_Bar, 220},        {Qt::Key_BracketRight, 221},
        {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222}, {Qt::Key_QuoteDbl, 222},
    };
    return codes.value(key, 0);
}

// The character a key produces, as KeyPress reports it; 0 for a key that produces none (Delete
// gives DEL in Qt's text, which no character key does).
short keyAscii(const QKeyEvent& event)
{
    const QString text = event.text();
    if (text.isEmpty() || text.at(0) == QChar(0x7F) || (text.at(0) >= QChar(0x80) && text.at(0) < QChar(0xA0)))
        return 0;
    return short(text.at(0).unicode());
}

// The mouse buttons the button knows; the others (back, forward, ...) are not its business.
bool isButtonOfOurs(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}

constexpr short kSpace = 32;

// Space, the arrows and Enter are the button's own; every other key goes on to the parent once
// the button has raised its events.
bool isOwnKey(short code)
{
    return code == kSpace || (code >= 37 && code <= 40) || code == 13;
}

} // namespace

ZqCommand::ZqCommand(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Moves without a button held tell the button that the mouse came over it.
    setMouseTracking(true);
    m_overTimer.setInterval(kOverPollMs);
    connect(&m_overTimer, &QTimer::timeout, this, &ZqCommand::overTick);
    recolour();
}

ZqCommand::~ZqCommand()
{
    m_shown = false;
}

void ZqCommand::setColor(OleColor& field, OleColor value, const char* key)
{
    field = value;
    recolour();
    redrawLast();
    emit propertyChanged(QLatin1String(key));
}

void ZqCommand::setBackColor(OleColor color)
{
    if (m_designMode)
        m_p.BackOver = color;
    setColor(m_p.BackColor, color, "BCOL");
}

void ZqCommand::setBackOver(OleColor color)
{
    setColor(m_p.BackOver, color, "BCOLO");
}

void ZqCommand::setForeColor(OleColor color)
{
    if (m_designMode)
        m_p.ForeOver = color;
    setColor(m_p.ForeColor, color, "FCOL");
}

void ZqCommand::setForeOver(OleColor color)
{
    setColor(m_p.ForeOver, color, "FCOLO");
}

void ZqCommand::setMaskColor(OleColor color)
{
    setColor(m_p.MaskColor, color, "MCOL");
}

void ZqCommand::setButtonType(int type)
{
    m_p.ButtonType = type;
    if (type == ButtonTypes::JavaMetal && m_designMode)
        m_p.Font.setBold(true);
    else if (type == ButtonTypes::Transparent && m_shown)
        CaptureBackground();
    handleResize();
    emit propertyChanged(QStringLiteral("BTYPE"));
}

void ZqCommand::setCaption(const QString& caption)
{
    m_p.Caption = caption;
    updateAccessKey();
    relayout();
    redrawUp();
    emit propertyChanged(QStringLiteral("TX"));
}

void ZqCommand::setButtonEnabled(bool enabled)
{
    m_p.Enabled = enabled;
    redrawUp();
    setEnabled(enabled);
    emit propertyChanged(QStringLiteral("ENAB"));
}

void ZqCommand::setButtonFont(const QFont& font)
{
    m_p.Font = font;
    relayout();
    redrawUp();
    emit propertyChanged(QStringLiteral("FONT"));
}

void ZqCommand::changeFont(const std::function<void(QFont&)>& change)
{
    change(m_p.Font);
    relayout();
    redrawUp();
}

void ZqCommand::setFontBold(bool on)
{
    changeFont([on](QFont& f) { f.setBold(on); });
}

void ZqCommand::setFontItalic(bool on)
{
    changeFont([on](QFont& f) { f.setItalic(on); });
}

void ZqCommand::setFontUnderline(bool on)
{
    changeFont([on](QFont& f) { f.setUnderline(on); });
}

short ZqCommand::FontSize() const
{
    return short(std::lround(m_p.Font.pointSizeF()));
}

void ZqCommand::setFontSize(short size)
{
    changeFont([size](QFont& f) { f.setPointSize(qMax<short>(size, 1)); });
}

void ZqCommand::setFontName(const QString& name)
{
    changeFont([&name](QFont& f) { f.setFamily(name); });
}

void ZqCommand::setColorScheme(int scheme)
{
    m_p.ColorScheme = scheme;
    recolour();
    redrawUp();
    emit propertyChanged(QStringLiteral("COLTYPE"));
}

void ZqCommand::setShowFocusRect(bool on)
{
    m_p.ShowFocusRect = on;
    redrawLast();
    emit propertyChanged(QStringLiteral("FOCUSR"));
}

void ZqCommand::setMousePointer(short pointer)
{
    m_p.MousePointer = pointer;
    applyPointer();
    emit propertyChanged(QStringLiteral("MPTR"));
}

void ZqCommand::setMouseIcon(const QImage& icon)
{
    m_p.MouseIcon = icon;
    applyPointer();
    emit propertyChanged(QStringLiteral("MICON"));
}

void ZqCommand::setHandPointer(bool on)
{
    m_p.setHandPointer(on);
    applyPointer();
    emit propertyChanged(QStringLiteral("HAND"));
}

void ZqCommand::applyPointer()
{
    const short pointer = m_p.MousePointer;
    if (pointer == MousePointers::kCustom && !m_p.MouseIcon.isNull()) {
        const bool hand = m_p.MouseIcon == handCursorImage();
        setCursor(QCursor(QPixmap::fromImage(m_p.MouseIcon), hand ? kHandHotSpotX : 0, hand ? kHandHotSpotY : 0));
    } else if (pointer > 0 && pointer < short(kPointerShapes.size())) {
        setCursor(kPointerShapes[size_t(pointer)]);
    } else {
        unsetCursor();
    }
}

void ZqCommand::setSoftBevel(bool on)
{
    m_p.SoftBevel = on;
    recolour();
    redrawLast();
    emit propertyChanged(QStringLiteral("SOFT"));
}

void ZqCommand::setPictureNormal(const QImage& picture)
{
    m_p.PictureNormal = picture;
    m_geometry.MeasurePicture(picture);
    relayout();
    redrawLast();
    emit propertyChanged(QStringLiteral("PICN"));
}

void ZqCommand::setPictureOver(const QImage& picture)
{
    m_p.PictureOver = picture;
    if (m_draw.over)
        redrawLast();
    emit propertyChanged(QStringLiteral("PICO"));
}

void ZqCommand::setPicturePosition(int position)
{
    m_p.PicturePosition = position;
    emit propertyChanged(QStringLiteral("PICPOS"));
    relayout();
    redrawLast();
}

void ZqCommand::setUseMaskColor(bool on)
{
    m_p.UseMaskColor = on;
    if (!m_p.PictureNormal.isNull())
        redrawLast();
    emit propertyChanged(QStringLiteral("UMCOL"));
}

void ZqCommand::setUseGreyscale(bool on)
{
    m_p.UseGreyscale = on;
    if (!m_p.PictureNormal.isNull())
        redrawLast();
    emit propertyChanged(QStringLiteral("NGREY"));
}

void ZqCommand::setSpecialEffect(int effect)
{
    m_p.SpecialEffect = effect;
    redrawLast();
    emit propertyChanged(QStringLiteral("FX"));
}

void ZqCommand::setCheckBoxBehaviour(bool on)
{
    m_p.CheckBoxBehaviour = on;
    redrawLast();
    emit propertyChanged(QStringLiteral("CHECK"));
}

void ZqCommand::setValue(bool on)
{
    m_p.Value = on;
    if (m_p.CheckBoxBehaviour)
        redrawUp();
    emit propertyChanged(QStringLiteral("VALUE"));
}

void ZqCommand::DisableRefresh()
{
    m_shown = false;
}

void ZqCommand::Refresh()
{
    if (m_p.ButtonType == ButtonTypes::Transparent)
        CaptureBackground();
    recolour();
    relayout();
    m_shown = true;
    redrawLast();
}

ButtonBagDefaults ZqCommand::bagDefaults() const
{
    return {m_p.Font, OleColor{TranslateColor(kSystemButtonFace, palette())},
            OleColor{TranslateColor(kSystemButtonText, palette())}};
}

void ZqCommand::InitProperties()
{
    m_p.Enabled = true;
    setEnabled(true);
    m_p.ShowFocusRect = true;
    m_p.UseMaskColor = true;
    m_p.Caption = objectName();
    updateAccessKey();
    m_p.Font = parentWidget() ? parentWidget()->font() : QApplication::font();
    m_p.ButtonType = ButtonTypes::Windows32Bit;
    m_p.ColorScheme = ColorTypes::UseWindows;
    recolour();
    m_p.BackColor = m_p.BackOver = OleColor{m_colors.cFace};
    m_p.ForeColor = m_p.ForeOver = OleColor{m_colors.cText};
    m_p.MaskColor = kMaskColorDefault;
    relayout();
}

void ZqCommand::ReadProperties(const PropertyBag* bag)
{
    m_p.read(*bag, bagDefaults());
    // The stored hand flag is applied as a write of HandPointer, which sets the pointer again.
    setHandPointer(m_p.HandPointer);
    setEnabled(m_p.Enabled);
    m_geometry.MeasurePicture(m_p.PictureNormal);
    relayout();
    updateAccessKey();
}

void ZqCommand::WriteProperties(PropertyBag* bag) const
{
    m_p.write(*bag);
}

void ZqCommand::recolourWith(OleColor back)
{
    ColorSources sources{palette(), 0, 0};
    const QWidget* container = parentWidget() ? parentWidget() : this;
    sources.containerBack = rgbFromQColor(container->palette().color(container->backgroundRole()));
    sources.containerText = rgbFromQColor(container->palette().color(container->foregroundRole()));
    m_colors = ComputeColors({m_p.ColorScheme, m_p.ButtonType, m_p.SoftBevel, back.value, m_p.ForeColor.value,
                              m_p.ForeOver.value, m_p.MaskColor.value},
                             sources);
}

void ZqCommand::relayout()
{
    const bool hasPicture = !m_p.PictureNormal.isNull() || !m_p.PictureOver.isNull();
    m_geometry.LayoutCaption(m_p.Caption, m_p.Font, m_p.PicturePosition, hasPicture);
}

void ZqCommand::handleResize()
{
    if (m_capturing)
        return;
    m_geometry.resize(m_p.ButtonType, width(), height());
    relayout();
    setMask(BuildRegion(m_p.ButtonType, width(), height()));
    if (m_geometry.H != 0)
        redrawUp();
}

// The container's pixels under the button, for the transparent style: the button steps out of
// the way (height 0) while the container renders that area.
void ZqCommand::CaptureBackground()
{
    QWidget* container = parentWidget();
    if (!container)
        return;
    // The size as it stands: a resize of a hidden button is handled only when it shows.
    const QRect area(pos(), size());
    m_capturing = true;
    resize(width(), 0);
    const QImage copy = area.isEmpty() ? QImage() : container->grab(area).toImage();
    if (!copy.isNull())
        m_background = copy.convertToFormat(QImage::Format_RGB32);
    resize(area.size());
    m_capturing = false;
}

void ZqCommand::Redraw(int state, bool forced)
{
    // A toggle that is on stays down.
    if (m_p.CheckBoxBehaviour && m_p.Value)
        state = ButtonStates::kDown;
    const bool changed = forced || state != m_draw.lastState || m_p.Caption != m_draw.lastCaption;
    if (!changed || m_geometry.H == 0 || !m_shown)
        return;
    m_draw.lastState = state;
    m_draw.lastCaption = m_p.Caption;
    m_surface.resize(m_geometry.W, m_geometry.H);
    // Under the mouse a button in its own colours is drawn from its over colour.
    const bool overColors = m_draw.over && m_p.ColorScheme == ColorTypes::Custom;
    if (overColors)
        recolourWith(m_p.BackOver);
    ButtonPainter painter(m_surface, m_p, m_colors, m_geometry, m_draw);
    painter.setBackground(&m_background);
    painter.DrawButton(!m_p.Enabled                       ? ButtonPainter::PictureDisabled
                           : state == ButtonStates::kDown ? ButtonPainter::PictureDown
                                                          : ButtonPainter::PictureUp);
    if (overColors)
        recolour();
    update();
}

void ZqCommand::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface.image());
}

void ZqCommand::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    handleResize();
}

void ZqCommand::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_p.ButtonType == ButtonTypes::Transparent)
        CaptureBackground();
    m_shown = true;
    recolour();
    redrawUp();
}

void ZqCommand::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_shown = false;
}

// The container's colours changed: buttons that follow them take them at once.
void ZqCommand::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_p.ColorScheme != ColorTypes::Custom) {
        recolour();
        redrawLast();
    }
}

void ZqCommand::updateAccessKey()
{
    m_accessKey = accessKeyOf(m_p.Caption);
    if (m_accessKeyId != 0)
        releaseShortcut(m_accessKeyId);
    m_accessKeyId = m_accessKey.isNull() ? 0 : grabShortcut(QKeySequence::mnemonic(QStringLiteral("&") + m_accessKey));
}

void ZqCommand::setDefault(bool on)
{
    m_default = on;
    // Whether it looks the default one follows the focus of the other buttons.
    if (on && !m_focusWatch)
        m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this] {
            if (updateDefaultLook())
                redrawLast();
        });
    watchWindow();
    if (updateDefaultLook())
        redrawLast();
}

void ZqCommand::setCancel(bool on)
{
    m_cancel = on;
    watchWindow();
}

bool ZqCommand::updateDefaultLook()
{
    const auto* focused = qobject_cast<const ZqCommand*>(QApplication::focusWidget());
    const bool otherHasFocus = focused && focused != this && focused->window() == window();
    const bool look = m_draw.hasFocus || (m_default && !otherHasFocus);
    if (look == m_draw.defaultLook)
        return false;
    m_draw.defaultLook = look;
    return true;
}

// Enter and Escape that no control of the window took reach the window; the default and the
// cancel button watch for them there.
void ZqCommand::watchWindow()
{
    QWidget* wanted = (m_default || m_cancel) && window() != this ? window() : nullptr;
    if (m_watchedWindow == wanted)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = wanted;
    if (wanted)
        wanted->installEventFilter(this);
}

bool ZqCommand::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::KeyPress && isEnabled() && isVisible()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if ((enter && m_default && m_draw.defaultLook) || (key == Qt::Key_Escape && m_cancel)) {
            accessKeyPressed();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ZqCommand::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        accessKeyPressed();
        return true;
    }
    if (event->type() == QEvent::ParentChange)
        watchWindow();
    return QWidget::event(event);
}

bool ZqCommand::mouseIsOver(QPoint global) const
{
    // The hit test honours the button's shape, so the cut corners and the outside of the oval
    // are not over it.
    return QApplication::widgetAt(global) == this;
}

bool ZqCommand::survives(const std::function<void()>& raise)
{
    const QPointer<ZqCommand> alive(this);
    raise();
    return alive;
}

void ZqCommand::mousePressed(short button, short shift, QPointF at)
{
    if (!survives([&] { emit MouseDown(button, shift, float(at.x()), float(at.y())); }))
        return;
    m_lastMouseButton = button & 0xFF;
    if (button != 2)
        Redraw(ButtonStates::kDown, false);
}

void ZqCommand::mousePressEvent(QMouseEvent* event)
{
    if (!isButtonOfOurs(event->button())) {
        event->ignore();
        return;
    }
    mousePressed(buttonCode(event->button()), shiftCode(event->modifiers()), event->position());
}

void ZqCommand::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click (the platform reports it instead of a press). The widget
    // that takes a press holds the mouse until the release, so that release comes here and draws
    // the button up again.
    if (!isButtonOfOurs(event->button())) {
        event->ignore();
        return;
    }
    if (m_lastMouseButton == 1)
        mousePressed(1, 0, QPointF(0, 0));
}

void ZqCommand::mouseMoveEvent(QMouseEvent* event)
{
    const short button = buttonCode(event->buttons());
    const QPointF at = event->position();
    if (!survives([&] { emit MouseMove(button, shiftCode(event->modifiers()), float(at.x()), float(at.y())); }))
        return;
    if (button != 0 && button != 1)
        return;
    if (!mouseIsOver(event->globalPosition().toPoint())) {
        Redraw(ButtonStates::kUp, false);
    } else if (button == 0 && !m_draw.over) {
        m_overTimer.start();
        m_draw.over = true;
        Redraw(ButtonStates::kUp, true);
        emit MouseOver();
    } else if (button == 1) {
        // Dragged back over the button: down again, and the next plain move is an entry.
        m_draw.over = true;
        Redraw(ButtonStates::kDown, false);
        m_draw.over = false;
    }
}

void ZqCommand::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isButtonOfOurs(event->button())) {
        event->ignore();
        return;
    }
    const short button = buttonCode(event->button());
    const QPointF at = event->position();
    if (!survives([&] { emit MouseUp(button, shiftCode(event->modifiers()), float(at.x()), float(at.y())); }))
        return;
    if (button != 2)
        Redraw(ButtonStates::kUp, false);
    // A click: pressed and released on the button.
    const QPoint local = at.toPoint();
    if (event->button() == Qt::LeftButton && rect().contains(local) && (mask().isEmpty() || mask().contains(local)))
        clicked();
}

void ZqCommand::clicked()
{
    if (m_lastMouseButton == 1 && m_p.Enabled)
        raiseClick(true);
}

// A toggle flips first, so the host reads the new Value, and the button is shown as it now
// is before the host hears of the click.
void ZqCommand::raiseClick(bool forced)
{
    if (m_p.CheckBoxBehaviour)
        m_p.Value = !m_p.Value;
    Redraw(ButtonStates::kUp, forced);
    repaint();
    emit Click();
}

void ZqCommand::accessKeyPressed()
{
    m_lastMouseButton = 1;
    clicked();
}

void ZqCommand::overTick()
{
    if (mouseIsOver(QCursor::pos()))
        return;
    m_overTimer.stop();
    m_draw.over = false;
    Redraw(ButtonStates::kUp, true);
    emit MouseOut();
}

void ZqCommand::keyPressEvent(QKeyEvent* event)
{
    const short code = keyCode(event->key(), event->modifiers());
    if (!survives([&] { emit KeyDown(code, shiftCode(event->modifiers())); }))
        return;
    m_lastKey = code & 0xFF;
    switch (code) {
    case kSpace: Redraw(ButtonStates::kDown, false); break;
    case 37:
    case 38: focusNextPrevChild(false); break;
    case 39:
    case 40: focusNextPrevChild(true); break;
    default: break;
    }
    if (const short ascii = keyAscii(*event); ascii != 0 && !survives([&] { emit KeyPress(ascii); }))
        return;
    event->setAccepted(isOwnKey(code));
    // The button with the focus is the one Enter clicks.
    if (code == 13)
        accessKeyPressed();
}

void ZqCommand::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats as release and press pairs; only the real release counts.
    if (event->isAutoRepeat())
        return;
    const short code = keyCode(event->key(), event->modifiers());
    if (!survives([&] { emit KeyUp(code, shiftCode(event->modifiers())); }))
        return;
    event->setAccepted(isOwnKey(code));
    if (code == kSpace && m_lastKey == kSpace)
        raiseClick(false);
}

void ZqCommand::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    m_draw.hasFocus = true;
    updateDefaultLook();
    redrawLast();
}

void ZqCommand::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    m_draw.hasFocus = false;
    updateDefaultLook();
    redrawLast();
}
