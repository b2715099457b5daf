#include "buttonproperties.h"

#include <QPainter>

namespace {

const OleColor kMaskColorDefault{0xC0C0C0};

// The hand, row by row: '#' outline, '.' fill, anything else clear.
constexpr const char* kHandRows[] = {
    "     ##         ", "    #..#        ", "    #..#        ", "    #..#        ",
    "    #..###      ", "    #..#..###   ", "    #..#..#..## ", " ## #..#..#..#.#",
    "#..##........#.#", "#...#..........#", " #.............#", "  #............#",
    "  #...........# ", "   #..........# ", "    #........#  ", "    ##########  ",
};

OleColor colorOf(const PropertyBag& bag, const char* key, OleColor defaultValue)
{
    return bag.ReadProperty(QLatin1String(key), QVariant::fromValue(defaultValue)).value<OleColor>();
}

int intOf(const PropertyBag& bag, const char* key, qint64 defaultValue)
{
    return int(bag.ReadProperty(QLatin1String(key), defaultValue).toLongLong());
}

bool boolOf(const PropertyBag& bag, const char* key, bool defaultValue)
{
    return bag.ReadProperty(QLatin1String(key), defaultValue).toBool();
}

QImage pictureOf(const PropertyBag& bag, const char* key)
{
    return bag.ReadProperty(QLatin1String(key), QImage()).value<QImage>();
}

} // namespace

QImage handCursorImage()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const char c = kHandRows[y][x];
            if (c == '#')
                image.setPixel(x, y, 0xFF000000u);
            else if (c == '.')
                image.setPixel(x, y, 0xFFFFFFFFu);
        }
    }
    return image;
}

void ButtonProperties::setHandPointer(bool on)
{
    HandPointer = on;
    MouseIcon = on ? handCursorImage() : QImage();
    MousePointer = on ? MousePointers::kCustom : MousePointers::kArrow;
}

void ButtonProperties::read(const PropertyBag& bag, const ButtonBagDefaults& defaults)
{
    ButtonType = intOf(bag, "BTYPE", ButtonTypes::Windows32Bit);
    Caption = bag.ReadProperty(QStringLiteral("TX"), QString()).toString();
    Enabled = boolOf(bag, "ENAB", true);
    Font = bag.ReadProperty(QStringLiteral("FONT"), defaults.font).value<QFont>();
    ColorScheme = intOf(bag, "COLTYPE", ColorTypes::UseWindows);
    ShowFocusRect = boolOf(bag, "FOCUSR", true);
    BackColor = colorOf(bag, "BCOL", defaults.buttonFace);
    BackOver = colorOf(bag, "BCOLO", BackColor);
    ForeColor = colorOf(bag, "FCOL", defaults.buttonText);
    ForeOver = colorOf(bag, "FCOLO", ForeColor);
    MaskColor = colorOf(bag, "MCOL", kMaskColorDefault);
    MousePointer = short(intOf(bag, "MPTR", 0));
    MouseIcon = pictureOf(bag, "MICON");
    PictureNormal = pictureOf(bag, "PICN");
    PictureOver = pictureOf(bag, "PICH");
    UseMaskColor = boolOf(bag, "UMCOL", true);
    SoftBevel = boolOf(bag, "SOFT", false);
    PicturePosition = intOf(bag, "PICPOS", 0);
    UseGreyscale = boolOf(bag, "NGREY", false);
    SpecialEffect = intOf(bag, "FX", 0);
    setHandPointer(boolOf(bag, "HAND", false));
    CheckBoxBehaviour = boolOf(bag, "CHECK", false);
    Value = boolOf(bag, "VALUE", false);
}

void ButtonProperties::write(PropertyBag& bag) const
{
    const auto color = [](OleColor c) { return QVariant::fromValue(c); };
    bag.WriteProperty(QStringLiteral("BTYPE"), qint64(ButtonType));
    bag.WriteProperty(QStringLiteral("TX"), Caption);
    bag.WriteProperty(QStringLiteral("ENAB"), Enabled);
    bag.WriteProperty(QStringLiteral("FONT"), Font);
    bag.WriteProperty(QStringLiteral("COLTYPE"), qint64(ColorScheme));
    bag.WriteProperty(QStringLiteral("FOCUSR"), ShowFocusRect);
    bag.WriteProperty(QStringLiteral("BCOL"), color(BackColor));
    bag.WriteProperty(QStringLiteral("BCOLO"), color(BackOver));
    bag.WriteProperty(QStringLiteral("FCOL"), color(ForeColor));
    bag.WriteProperty(QStringLiteral("FCOLO"), color(ForeOver));
    bag.WriteProperty(QStringLiteral("MCOL"), color(MaskColor));
    bag.WriteProperty(QStringLiteral("MPTR"), qint64(MousePointer));
    bag.WriteProperty(QStringLiteral("MICON"), MouseIcon);
    bag.WriteProperty(QStringLiteral("PICN"), PictureNormal);
    bag.WriteProperty(QStringLiteral("PICH"), PictureOver);
    bag.WriteProperty(QStringLiteral("UMCOL"), UseMaskColor);
    bag.WriteProperty(QStringLiteral("SOFT"), SoftBevel);
    bag.WriteProperty(QStringLiteral("PICPOS"), qint64(PicturePosition));
    bag.WriteProperty(QStringLiteral("NGREY"), UseGreyscale);
    bag.WriteProperty(QStringLiteral("FX"), qint64(SpecialEffect));
    bag.WriteProperty(QStringLiteral("HAND"), HandPointer);
    bag.WriteProperty(QStringLiteral("CHECK"), CheckBoxBehaviour);
    bag.WriteProperty(QStringLiteral("VALUE"), Value);
}

QChar accessKeyOf(const QString& caption)
{
    if (caption.size() <= 1)
        return {};
    const qsizetype first = caption.indexOf(QLatin1Char('&'));
    if (first < 0 || first == caption.size() - 1)
        return {};
    if (caption[first + 1] != QLatin1Char('&'))
        return caption[first + 1].toLower();
    // An escaped ampersand: the key is the one after the next single "&", if any.
    const qsizetype next = caption.indexOf(QLatin1Char('&'), first + 2);
    if (next < 0 || next == caption.size() - 1 || caption[next + 1] == QLatin1Char('&'))
        return {};
    return caption[next + 1].toLower();
}
