// Draws the notification-area icon clipboard.ico: a clipboard with a sheet of paper and a metal
// clip, 32 x 32 pixels with transparency. Run by the build; the file goes beside the program. With a
// size, it draws the same picture at that size in the output's format (the program's icon).
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int size = argc == 3 ? std::atoi(argv[2]) : 32;
    if (argc < 2 || argc > 3 || size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: drawclipboardicon OUTPUT.ico|OUTPUT.png [SIZE]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // The board.
    p.setPen(QPen(QColor(0x5a, 0x3a, 0x1c), 1));
    p.setBrush(QColor(0xb0, 0x78, 0x3c));
    p.drawRoundedRect(QRectF(4.5, 3.5, 23, 27), 3, 3);
    // The paper, with lines of writing.
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 7.5, 17, 20));
    p.setPen(QPen(QColor(0x30, 0x60, 0xb0), 1.5));
    for (int y = 13; y <= 24; y += 4)
        p.drawLine(QPointF(10, y), QPointF(y == 21 ? 17 : 22, y));
    // The clip.
    QPainterPath clip;
    clip.addRoundedRect(QRectF(10.5, 1.5, 11, 7), 2, 2);
    p.setPen(QPen(QColor(0x40, 0x40, 0x48), 1));
    p.setBrush(QColor(0xc8, 0xcc, 0xd4));
    p.drawPath(clip);
    p.setBrush(QColor(0x40, 0x40, 0x48));
    p.drawEllipse(QRectF(14.5, 2.5, 3, 3));
    p.end();

    QImageWriter writer(QString::fromLocal8Bit(argv[1]));
    if (!writer.write(image)) {
        std::fprintf(stderr, "drawclipboardicon: %s\n", qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
