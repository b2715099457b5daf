// zqgallery: every button style in every look on one sheet, for a person to look over.
//   zqgallery [out.png]     (default: zqcommand-gallery.png; drawn at twice the size)
// The buttons are painted by the control's own painter, in the desktop's colours, and cut to
// their shapes against the sheet.
#include "buttonpainter.h"

#include <QApplication>
#include <QPainter>

#include <array>

namespace {

constexpr int kButtonW = 92;
constexpr int kButtonH = 26;
constexpr int kCellW = 104;
constexpr int kCellH = 34;
constexpr int kNameW = 118;
constexpr int kScale = 2;

struct Look
{
    const char* title;
    ButtonPainter::PictureMode mode;
    bool over;
    bool focus;
    bool defaultLook;
};

constexpr std::array<Look, 8> kLooks{{
    {"up", ButtonPainter::PictureUp, false, false, false},
    {"up, hover", ButtonPainter::PictureUp, true, false, false},
    {"up, focus", ButtonPainter::PictureUp, false, true, true},
    {"up, default", ButtonPainter::PictureUp, false, false, true},
    {"hover + focus", ButtonPainter::PictureUp, true, true, true},
    {"down", ButtonPainter::PictureDown, true, false, false},
    {"down, focus", ButtonPainter::PictureDown, true, true, true},
    {"disabled", ButtonPainter::PictureDisabled, false, false, false},
}};

// A small picture in the mask colour's frame, so the mask, the relief and the disabled
// silhouettes show.
QImage picture()
{
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter p(&image);
    p.fillRect(2, 2, 8, 8, QColor(0x20, 0x60, 0xC0));
    p.fillRect(4, 4, 4, 4, QColor(0xF0, 0xD0, 0x40));
    return image;
}

// The sheet under the transparent style: stripes, so the copy shows through.
QImage stripes(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (x + y) / 4 % 2 ? qRgb(0xD8, 0xE4, 0xF0) : qRgb(0xB8, 0xCC, 0xE4));
    return image;
}

QImage renderButton(int style, const Look& look, const QImage& background)
{
    ButtonProperties p;
    p.ButtonType = style;
    p.ColorScheme = ColorTypes::UseWindows;
    p.Enabled = look.mode != ButtonPainter::PictureDisabled;
    p.ShowFocusRect = true;
    p.UseMaskColor = true;
    p.MaskColor = OleColor{0xC0C0C0};
    p.Caption = QStringLiteral("&Save");
    p.Font = QApplication::font();
    p.PictureNormal = picture();
    ButtonColors colors =
        ComputeColors({p.ColorScheme, style, false, 0, 0, 0, p.MaskColor.value}, {QApplication::palette(), 0, 0});
    ButtonGeometry geometry;
    geometry.resize(style, kButtonW, kButtonH);
    geometry.MeasurePicture(p.PictureNormal);
    geometry.LayoutCaption(p.Caption, p.Font, p.PicturePosition, true);
    ButtonDrawState state{look.over, look.focus, look.defaultLook, 0, QString(), 0};
    PixelSurface surface;
    surface.resize(kButtonW, kButtonH);
    ButtonPainter painter(surface, p, colors, geometry, state);
    painter.setBackground(&background);
    painter.DrawButton(look.mode);

    QImage shaped = background.copy();
    QPainter out(&shaped);
    out.setClipRegion(BuildRegion(style, kButtonW, kButtonH));
    out.drawImage(0, 0, surface.image());
    return shaped;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("zqcommand-gallery.png");

    QList<EnumMember> styles(kButtonTypesMembers.begin(), kButtonTypesMembers.end());
    styles.append({0, "(no style)"});
    const QColor sheetColor = QApplication::palette().color(QPalette::Window);
    QImage sheet(kNameW + kCellW * int(kLooks.size()), kCellH * int(styles.size() + 1), QImage::Format_RGB32);
    sheet.fill(sheetColor);
    QPainter p(&sheet);
    p.setPen(QApplication::palette().color(QPalette::WindowText));
    for (size_t c = 0; c < kLooks.size(); ++c)
        p.drawText(QRect(kNameW + int(c) * kCellW, 0, kCellW, kCellH), Qt::AlignCenter,
                   QString::fromLatin1(kLooks[c].title));
    for (int r = 0; r < styles.size(); ++r) {
        const int top = (r + 1) * kCellH;
        const EnumMember& style = styles[r];
        p.drawText(QRect(6, top, kNameW - 6, kCellH), Qt::AlignVCenter,
                   QStringLiteral("%1  %2").arg(style.value).arg(QString::fromLatin1(style.name)));
        QImage ground(kButtonW, kButtonH, QImage::Format_RGB32);
        ground.fill(sheetColor);
        if (style.value == ButtonTypes::Transparent)
            ground = stripes(kButtonW, kButtonH);
        for (size_t c = 0; c < kLooks.size(); ++c)
            p.drawImage(kNameW + int(c) * kCellW + (kCellW - kButtonW) / 2, top + (kCellH - kButtonH) / 2,
                        renderButton(style.value, kLooks[c], ground));
    }
    p.end();
    const QImage big = sheet.scaled(sheet.size() * kScale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!big.save(path)) {
        qCritical("zqgallery: cannot write %s", qPrintable(path));
        return 1;
    }
    return 0;
}
