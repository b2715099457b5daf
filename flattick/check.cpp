#include "check.h"

#include "checkglyphs.h"
#include "olecolor.h"
#include "screenmetrics.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr short kLeftButton = 1;
constexpr short kRightButton = 2;
constexpr short kMiddleButton = 4;

const OleColor kCaptionColorDefault{0x800000};
const OleColor kBackColorDefault{0xFFFFFF};
const OleColor kDisabledColorDefault{0xC0C0C0};
const QString kDesignCaption = QStringLiteral("Check1");

// The inner check box: a standard check box whose own box is left undrawn (the picture covers
// that place) and that never takes the focus or changes its own state.
class CaptionBox final : public QCheckBox
{
public:
    explicit CaptionBox(QWidget* parent)
        : QCheckBox(parent)
    {
        setFocusPolicy(Qt::NoFocus);
        setBackgroundRole(QPalette::Window);
        setForegroundRole(QPalette::WindowText);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
        painter.drawControl(QStyle::CE_CheckBoxLabel, option);
    }
};

short buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return kLeftButton;
    case Qt::RightButton: return kRightButton;
    case Qt::MiddleButton: return kMiddleButton;
    default: return 0;
    }
}

short shiftCode(Qt::KeyboardModifiers modifiers)
{
    return short((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
                 | (modifiers & Qt::AltModifier ? 4 : 0));
}

} // namespace

Check::Check(QWidget* parent)
    : QWidget(parent)
    , m_picture1(new QLabel(this))
    , m_check1(new CaptionBox(this))
{
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setFixedSize(CheckGlyphs::kSize, CheckGlyphs::kSize);
    m_picture1->setAutoFillBackground(true);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setText(kDesignCaption);
    // The picture lies over the inner check box's own box.
    m_picture1->raise();
    m_picture1->installEventFilter(this);
    m_check1->installEventFilter(this);
    setAutoFillBackground(true);

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setSingleShot(true);
    m_timer1.setInterval(kHoverTickMs);
    connect(&m_timer1, &QTimer::timeout, this, &Check::hoverTick);

    setCheckEnabled(true);
}

int Check::Value()
{
    const CheckTypes value = m_behaviour.readValue();
    showPicture();
    scheduleHoverTick();
    return value;
}

void Check::setValue(int value)
{
    writeValue(value);
}

void Check::writeValue(qint64 value)
{
    if (!m_behaviour.setValue(value))
        return;
    showPicture();
    scheduleHoverTick();
}

QFont Check::Font() const
{
    return m_check1->font();
}

void Check::setCaptionFont(const QFont& font)
{
    m_check1->setFont(font);
}

void Check::setCheckEnabled(bool enabled)
{
    m_behaviour.setEnabled(enabled);
    showPicture();
    if (enabled)
        scheduleHoverTick();
    else
        m_timer1.stop();
    m_captionColor = enabled ? m_foreColor : m_disabledColor;
    applyColors();
}

QString Check::Caption() const
{
    return m_check1->text();
}

void Check::setCaption(const QString& caption)
{
    m_check1->setText(caption);
    emit propertyChanged(QStringLiteral("Caption"));
}

void Check::setBackColor(OleColor color)
{
    m_backColor = color;
    applyColors();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void Check::setForeColor(OleColor color)
{
    m_foreColor = color;
    emit propertyChanged(QStringLiteral("ForeColor"));
    m_captionColor = color;
    applyColors();
}

void Check::setDisabledColor(OleColor color)
{
    m_disabledColor = color;
    emit propertyChanged(QStringLiteral("DisabledColor"));
}

QFont Check::containerFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void Check::InitProperties()
{
    setValue(Unchecked);
    setCaption(objectName());
    setCheckEnabled(true);
    setCaptionFont(containerFont());
    m_foreColor = OleColor{0};
    m_disabledColor = kDisabledColorDefault;
}

// The keys in this order; "Caption" and "ForeColor" come twice, and each read takes effect.
void Check::ReadProperties(const PropertyBag* bag)
{
    const auto color = [bag](const char* name, OleColor defaultValue) {
        return bag->ReadProperty(QLatin1String(name), QVariant::fromValue(defaultValue)).value<OleColor>();
    };
    writeValue(bag->ReadProperty(QStringLiteral("Value"), qint64(Unchecked)).toLongLong());
    setCaption(bag->ReadProperty(QStringLiteral("Caption"), objectName()).toString());
    setCheckEnabled(bag->ReadProperty(QStringLiteral("Enabled"), true).toBool());
    setCaptionFont(bag->ReadProperty(QStringLiteral("Font"), containerFont()).value<QFont>());
    m_captionColor = color("ForeColor", kCaptionColorDefault);
    m_check1->setText(bag->ReadProperty(QStringLiteral("Caption"), objectName()).toString());
    m_backColor = color("BackColor", kBackColorDefault);
    // A bag without the key gives black.
    m_foreColor = color("ForeColor", OleColor{0});
    m_disabledColor = color("DisabledColor", kDisabledColorDefault);
    applyColors();
}

// The keys in the order of reading; of a key written twice the bag keeps the later write.
void Check::WriteProperties(PropertyBag* bag) const
{
    bag->WriteProperty(QStringLiteral("Value"), qint64(m_behaviour.value()), qint64(Unchecked));
    bag->WriteProperty(QStringLiteral("Caption"), Caption(), objectName());
    bag->WriteProperty(QStringLiteral("Enabled"), m_behaviour.enabled(), true);
    bag->WriteProperty(QStringLiteral("Font"), Font(), containerFont());
    bag->WriteProperty(QStringLiteral("ForeColor"), QVariant::fromValue(m_captionColor),
                       QVariant::fromValue(kCaptionColorDefault));
    // Left out only when it equals the name the reader falls back to: with the inner check box's
    // design caption as the default, a caption "Check1" would come back as the control's name.
    bag->WriteProperty(QStringLiteral("Caption"), Caption(), objectName());
    bag->WriteProperty(QStringLiteral("BackColor"), QVariant::fromValue(m_backColor),
                       QVariant::fromValue(kBackColorDefault));
    bag->WriteProperty(QStringLiteral("ForeColor"), QVariant::fromValue(m_foreColor));
    bag->WriteProperty(QStringLiteral("DisabledColor"), QVariant::fromValue(m_disabledColor),
                       QVariant::fromValue(kDisabledColorDefault));
}

QSize Check::sizeHint() const
{
    const QSize caption = m_check1->sizeHint();
    return {caption.width() + kCaptionLeft, qMax(caption.height(), CheckGlyphs::kSize)};
}

QString Check::shownPicture() const
{
    return QLatin1String(CheckGlyphs::name(m_behaviour.look(), m_behaviour.shownValue()));
}

bool Check::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_picture1 && watched != m_check1)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: press(*static_cast<QMouseEvent*>(event)); return true;
    case QEvent::MouseButtonRelease: release(*static_cast<QMouseEvent*>(event)); return true;
    case QEvent::MouseButtonDblClick:
        if (m_behaviour.active())
            emit DblClick();
        return true;
    case QEvent::Enter:
    case QEvent::Leave: scheduleHoverTick(); return false;
    default: return false;
    }
}

void Check::press(const QMouseEvent& event)
{
    const short button = buttonCode(event.button());
    if (!m_behaviour.active() || button == 0)
        return;
    const QPoint at = event.position().toPoint();
    QPointer<Check> alive(this);
    emit MouseDown(button, shiftCode(event.modifiers()), float(ScreenMetrics::toTwipsX(at.x())),
                   float(ScreenMetrics::toTwipsY(at.y())));
    // The host may have destroyed the control in its handler.
    if (!alive || button == kRightButton)
        return;
    m_timer1.stop();
    m_behaviour.press();
    showPicture();
}

void Check::release(const QMouseEvent& event)
{
    const short button = buttonCode(event.button());
    if (!m_behaviour.active() || button == 0 || button == kRightButton)
        return;
    QPointer<Check> alive(this);
    emit Click();
    if (!alive)
        return;
    m_behaviour.startTracking();
    scheduleHoverTick();
}

void Check::scheduleHoverTick()
{
    if (m_behaviour.tracking() && !m_timer1.isActive())
        m_timer1.start();
}

void Check::hoverTick()
{
    const QWidget* under = QApplication::widgetAt(QCursor::pos());
    m_behaviour.hover(under && (under == m_picture1 || under == m_check1));
    showPicture();
}

void Check::showPicture()
{
    m_picture1->setPixmap(QPixmap::fromImage(CheckGlyphs::image(m_behaviour.look(), m_behaviour.shownValue())));
}

void Check::applyColors()
{
    const QColor back = OleColors::toColor(m_backColor.value);
    const QColor text = OleColors::toColor(m_captionColor.value);
    for (QWidget* w : std::initializer_list<QWidget*>{this, m_picture1, m_check1}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::WindowText, text);
        w->setPalette(palette);
    }
}

void Check::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_picture1->move(0, (height() - CheckGlyphs::kSize) / 2);
    m_captionColor = m_behaviour.enabled() ? m_foreColor : m_disabledColor;
    applyColors();
    m_check1->setGeometry(kCaptionLeft, 0, width() - kCaptionLeft, height());
}

void Check::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_behaviour.startTracking();
    scheduleHoverTick();
}
