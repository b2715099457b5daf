#include "frmabout.h"

#include "controlhost.h"
#include "dialogsport.h"
#include "formdesign.h"
#include "screenmetrics.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QVersionNumber>

const char* const frmAbout::WebAddress = "https://stashbox.org";

namespace {
void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(ScreenMetrics::toPixels(left, top, width, height));
}

// A clipboard with a few cards stashed on it, drawn on a 48-unit grid.
QPixmap aboutPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    p.setPen(QPen(QColor(90, 55, 25), 1.5));
    p.setBrush(QColor(176, 118, 62));
    p.drawRoundedRect(QRectF(8, 6, 32, 40), 3, 3);
    const QColor cards[] = {QColor(255, 255, 255), QColor(250, 236, 200), QColor(214, 232, 250)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(110, 110, 110), 0.8));
        p.setBrush(cards[i]);
        p.drawRect(QRectF(12 + i * 1.5, 12 + i * 9, 24, 12));
        p.setPen(QPen(QColor(70, 70, 70), 1));
        p.drawLine(QPointF(15 + i * 1.5, 16 + i * 9), QPointF(31 + i * 1.5, 16 + i * 9));
        p.drawLine(QPointF(15 + i * 1.5, 19.5 + i * 9), QPointF(27 + i * 1.5, 19.5 + i * 9));
    }
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(200, 200, 205));
    p.drawRoundedRect(QRectF(17, 3, 14, 6), 2, 2);
    return pixmap;
}
} // namespace

frmAbout::frmAbout(DialogsPort& dialogs, ControlHost& controls, QWidget* parent)
    : QDialog(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Stashbox"));
    setModal(true);
    // Above the main window, which stays on top of other windows; a fixed box with a close button only.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(ScreenMetrics::toPixelsX(4680), ScreenMetrics::toPixelsY(2520));

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(aboutPicture(ScreenMetrics::toPixelsX(960)));
    place(image1, 240, 240, 960, 960);

    m_label1 = new QLabel(QStringLiteral("Stashbox"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    m_label1->setFont(bold);
    place(m_label1, 1440, 240, 3000, 420);

    m_label2 = new QLabel(QStringLiteral("Version ") + versionNumbers(), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    place(m_label2, 1440, 690, 3000, 270);

    m_label4 = new QLabel(QString::fromLatin1(WebAddress), this);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setStyleSheet(QStringLiteral("color: #0000ff; text-decoration: underline;"));
    m_label4->setCursor(Qt::PointingHandCursor);
    m_label4->setToolTip(QStringLiteral(" Visit the Stashbox home page "));
    m_label4->installEventFilter(this);
    place(m_label4, 1440, 1020, 3000, 270);

    auto* line1 = new QFrame(this);
    line1->setObjectName(QStringLiteral("Line1"));
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);
    place(line1, 240, 1440, 4200, 30);

    QString error;
    m_zqCommand1 = FormDesign::create(
        controls, FormData(), FormDesign::textButton(QStringLiteral("ZqCommand1"), QStringLiteral("&Ok"), font()), this,
        &error);
    if (!m_zqCommand1)
        m_zqCommand1 = new QWidget(this);
    place(m_zqCommand1, 3390, 1800, 1050, 420);
    ControlHost::connectEvent(m_zqCommand1, "Click", this, [this] { accept(); });
}

QString frmAbout::versionNumbers()
{
    const QVersionNumber v = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    return QStringLiteral("%1.%2.%3").arg(v.majorVersion()).arg(v.minorVersion()).arg(v.microVersion());
}

void frmAbout::Label4_Click()
{
    if (m_dialogs.message(QStringLiteral("Would you like to launch your web browser and visit the Stashbox home "
                                         "page?"),
                          QStringLiteral("Information"), DialogsPort::Icon::Information,
                          DialogsPort::Buttons::YesNoDefaultNo)
        != DialogsPort::Answer::Yes)
        return;
    // A browser that does not start is not reported.
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(WebAddress)));
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_label4 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Label4_Click();
    return QDialog::eventFilter(watched, event);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);
}
