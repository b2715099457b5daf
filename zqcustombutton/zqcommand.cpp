#include "zqcommand.h"

#include "olecolor.h"

#include <QApplication>
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

} // namespace

ZqCommand::ZqCommand(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
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

void ZqCommand::recolour()
{
    ColorSources sources{palette(), 0, 0};
    const QWidget* container = parentWidget() ? parentWidget() : this;
    sources.containerBack = rgbFromQColor(container->palette().color(container->backgroundRole()));
    sources.containerText = rgbFromQColor(container->palette().color(container->foregroundRole()));
    m_colors = ComputeColors({m_p.ColorScheme, m_p.ButtonType, m_p.SoftBevel, m_p.BackColor.value, m_p.ForeColor.value,
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
    if (!m_shown)
        return;
    if (!forced && state == m_draw.lastState && m_p.Caption == m_draw.lastCaption)
        return;
    const int W = m_geometry.W;
    const int H = m_geometry.H;
    m_surface.resize(W, H);
    const bool down = state == ButtonStates::kDown;
    if (m_p.ButtonType == ButtonTypes::Transparent && !m_background.isNull()) {
        QPainter(&m_surface.image()).drawImage(0, 0, m_background);
    } else {
        m_surface.FillBox(0, 0, W, H, m_colors.cFace);
        if (down)
            m_surface.DrawBevel(m_colors.cDarkShadow, m_colors.cHighlight, m_colors.cShadow, m_colors.cLight, 0);
        else
            m_surface.DrawBevel(m_colors.cHighlight, m_colors.cDarkShadow, m_colors.cLight, m_colors.cShadow, 0);
    }
    ButtonPainter painter(m_surface, m_p, m_colors, m_geometry, m_draw);
    m_draw.lastState = state;
    if (!m_p.Enabled) {
        painter.DrawCaption(3);
        painter.DrawPicture(ButtonPainter::PictureDisabled);
    } else {
        painter.DrawCaption(down ? 2 : m_draw.over ? 1 : 0);
        painter.DrawPicture(down ? ButtonPainter::PictureDown : ButtonPainter::PictureUp);
        painter.DrawFocus();
    }
    m_draw.lastCaption = m_p.Caption;
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
