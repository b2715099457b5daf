#include "viewers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

frmTextShow::frmTextShow(const QString& text, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_text1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("frmTextShow"));
    setWindowTitle(QStringLiteral("Data"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_text1->setPlainText(text);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text1);
    resize(420, 300);
}

frmImageShow::frmImageShow(const Picture& picture, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_picture1(new QLabel)
    , m_scroll(new QScrollArea(this))
{
    setObjectName(QStringLiteral("frmImageShow"));
    setWindowTitle(QStringLiteral("Image "));
    setAttribute(Qt::WA_DeleteOnClose);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    const QImage image = picture.image();
    m_picture1->setPixmap(QPixmap::fromImage(image));
    m_picture1->resize(image.size());
    m_scroll->setWidget(m_picture1);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    // The window frames the picture; one larger than the screen gets scroll bars instead.
    QSize size = image.size().expandedTo(QSize(80, 40));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableSize() - QSize(40, 80);
        if (size.width() > room.width() || size.height() > room.height())
            size = size.boundedTo(room);
    }
    resize(size);
}
