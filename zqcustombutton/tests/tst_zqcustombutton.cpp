// The command button: its design data created by ProgID as the forms create it, the access key,
// the colour set, the shape, and the caption, picture and focus drawn on its pixel surface.
#include "buttoncolors.h"
#include "buttongeometry.h"
#include "controlhost.h"
#include "pixelsurface.h"
#include "testconfighome.h"
#include "zqcommand.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

const QStringList kBagKeys{"BTYPE", "TX",     "ENAB",  "FONT", "COLTYPE", "FOCUSR", "BCOL", "BCOLO",
                           "FCOL",  "FCOLO",  "MCOL",  "MPTR", "MICON",   "PICN",   "PICH", "UMCOL",
                           "SOFT",  "PICPOS", "NGREY", "FX",   "HAND",    "CHECK",  "VALUE"};
constexpr Rgb kRed = 0x0000FF;
constexpr Rgb kMask = 0xC0C0C0;

QImage solidPicture(int w, int h, QRgb color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The bounding box of the pixels of one colour on the button's surface.
QRect boxOf(const QImage& image, Rgb color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == pixelOf(color))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class ZqCustomButtonTest final : public QObject
{
    Q_OBJECT

private slots:
    void designDataByProgId();
    void accessKey_data();
    void accessKey();
    void shiftAndTint();
    void schemes();
    void shapeCutsTheStylesCorners();
    void captionAndPicturePlacement_data();
    void captionAndPicturePlacement();
    void blitMaskGreyBlendAndSilhouette();
    void linesBevelAndGradient();
    void drawingFollowsTheShownFlag();
    void transparentStyleCopiesTheContainer();
};

void ZqCustomButtonTest::designDataByProgId()
{
    TestConfigHome home;
    RegistryStore store;
    ControlHost host(store, QStringLiteral(APP_DIR));
    QWidget form;
    QString error;
    auto create = [&] {
        return qobject_cast<ZqCommand*>(host.CreateControl(QStringLiteral("ZqCustomButton.ZqCommand"), &form, &error));
    };
    ZqCommand* fresh = create();
    QVERIFY2(fresh, qPrintable(error));
    fresh->setObjectName(QStringLiteral("Command1"));
    QVERIFY(ControlHost::InitProperties(fresh));
    QCOMPARE(fresh->Caption(), QStringLiteral("Command1"));
    QCOMPARE(fresh->BackOver(), OleColor{fresh->colors().cFace});
    QCOMPARE(fresh->property("Version").toString(), QStringLiteral("1.0.0"));

    // An empty bag: the defaults, and nothing told to the host.
    ZqCommand* bare = create();
    QSignalSpy bareChanges(bare, &ZqCommand::propertyChanged);
    QVERIFY(ControlHost::ReadProperties(bare, PropertyBag()));
    const OleColor face{TranslateColor(0x8000000Fu, bare->palette())};
    const OleColor text{TranslateColor(0x80000012u, bare->palette())};
    QCOMPARE(bare->ButtonType(), 2);
    QCOMPARE(bare->ColorScheme(), 1);
    QVERIFY(bare->Enabled() && bare->ShowFocusRect() && bare->UseMaskColor() && bare->isEnabled());
    QCOMPARE(bare->MaskColor(), OleColor{kMask});
    QVERIFY(bare->BackColor() == face && bare->BackOver() == face);
    QVERIFY(bare->ForeColor() == text && bare->ForeOver() == text);
    QCOMPARE(bare->MousePointer(), short(1));
    QCOMPARE(bareChanges.size(), 1); // the hand pointer's write only
    QCOMPARE(bareChanges.at(0).at(0).toString(), QStringLiteral("HAND"));

    // Everything set; all 23 keys written in order, read back (lower-cased, as some hosts keep
    // them) into another control, and written again the same.
    fresh->setButtonType(99); // unchecked, as stored
    fresh->setCaption(QStringLiteral("Fi&le"));
    fresh->setButtonFont(QFont(QStringLiteral("Serif"), 11));
    fresh->setColorScheme(ColorTypes::Custom);
    fresh->setBackColor(OleColor{0x112233});
    fresh->setBackOver(OleColor{0x80000005u});
    fresh->setForeColor(OleColor{0x445566});
    fresh->setForeOver(OleColor{0x778899});
    fresh->setMaskColor(OleColor{0xFF00FF});
    fresh->setHandPointer(true);
    fresh->setPictureNormal(solidPicture(8, 6, qRgb(1, 2, 3)));
    QSignalSpy overTag(fresh, &ZqCommand::propertyChanged);
    fresh->setPictureOver(solidPicture(8, 6, qRgb(4, 5, 6)));
    QCOMPARE(overTag.at(0).at(0).toString(), QStringLiteral("PICO"));
    for (const char* name : {"ShowFocusRect", "Enabled", "UseMaskColor"})
        fresh->setProperty(name, false);
    for (const char* name : {"SoftBevel", "UseGreyscale", "CheckBoxBehaviour", "Value"})
        fresh->setProperty(name, true);
    fresh->setPicturePosition(7);
    fresh->setSpecialEffect(2);
    PropertyBag bag;
    QVERIFY(ControlHost::WriteProperties(fresh, bag));
    QCOMPARE(bag.names(), kBagKeys);
    QByteArray lowered;
    for (const QByteArray& line : bag.toText().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        lowered += fields.size() == 3 ? fields[0] + ' ' + fields[1].toLower() + ' ' + fields[2] + '\n' : line + '\n';
    }
    ZqCommand* loaded = create();
    QVERIFY(ControlHost::ReadProperties(loaded, PropertyBag::fromText(lowered.chopped(1))));
    PropertyBag again;
    QVERIFY(ControlHost::WriteProperties(loaded, again));
    QCOMPARE(again.toText(), bag.toText());
    QCOMPARE(loaded->MousePointer(), short(99));
    QCOMPARE(loaded->accessKey(), QChar(u'l'));
    QVERIFY(!loaded->isEnabled());

    // A stored pointer 11 gives way to the hand flag's write: the arrow.
    PropertyBag hourglass;
    hourglass.WriteProperty(QStringLiteral("MPTR"), qint64(11));
    hourglass.WriteProperty(QStringLiteral("HAND"), false);
    QVERIFY(ControlHost::ReadProperties(bare, hourglass));
    QCOMPARE(bare->MousePointer(), short(1));
    QCOMPARE(bare->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(bare->MouseIcon().isNull());
}

void ZqCustomButtonTest::accessKey_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QChar>("key");
    QTest::newRow("first letter") << "&Save" << QChar(u's');
    QTest::newRow("inside") << "Save &As" << QChar(u'a');
    QTest::newRow("escaped") << "Fish && Chips" << QChar();
    QTest::newRow("escaped, then a key") << "Fish && &Chips" << QChar(u'c');
    QTest::newRow("one character") << "&" << QChar();
    QTest::newRow("trailing") << "Save&" << QChar();
    QTest::newRow("only an escaped pair") << "a&&b" << QChar();
}

void ZqCustomButtonTest::accessKey()
{
    QFETCH(QString, caption);
    QFETCH(QChar, key);
    QCOMPARE(accessKeyOf(caption), key);
}

void ZqCustomButtonTest::shiftAndTint()
{
    QCOMPARE(ShiftColor(0xF0F010, 31, false, false), Rgb(0xFFFF2F));
    QCOMPARE(ShiftColor(0x30A010, -64, false, false), Rgb(0x006000));
    // xp: blue moves by its own share (96 * 48 / 192 = 24), red and green by the amount.
    QCOMPARE(ShiftColor(0x600000, 48, true, false), Rgb(0x783030));
    QCOMPARE(ShiftColor(0x808080, -64, false, true), ShiftColor(0x808080, -32, false, false));
    QCOMPARE(ShiftColor(0x808080, -3, false, true), Rgb(0x7F7F7F)); // halves towards zero
    QCOMPARE(TintColor(0x800000, 176), Rgb(0xD7B0B0));
}

void ZqCustomButtonTest::schemes()
{
    ColorSources sources{QPalette(QColor(0xA0, 0xB0, 0xC0)), 0x203040, 0x0000AA};
    ColorInputs custom{ColorTypes::Custom, 2, false, 0x808080, 0x0000FF, 0x00FF00, 0x80000000u | 15};
    ButtonColors c = ComputeColors(custom, sources);
    QCOMPARE(c.cShadow, Rgb(0x404040));
    QCOMPARE(c.cLight, Rgb(0x9F9F9F));
    QCOMPARE(c.cHighlight, Rgb(0xAFAFAF));
    QCOMPARE(c.cDarkShadow, Rgb(0));
    QCOMPARE(c.cSelect, Rgb(0));
    QVERIFY(c.cSelectTint == c.cFace && c.cText == 0x0000FF && c.cTextOver == 0x00FF00);
    QCOMPARE(c.cMask, Rgb(0xC0B0A0)); // the palette's button colour
    QCOMPARE(c.cXPFace, Rgb(0xB0B0B0));
    custom.softBevel = true;
    QCOMPARE(ComputeColors(custom, sources).cShadow, Rgb(0x606060));

    c = ComputeColors({ColorTypes::ForceStandard, 3, false, 0, 0, 0, 0}, sources);
    QVERIFY(c.cFace == 0xC0C0C0 && c.cText == 0 && c.cSelectTint == 0xD1ADAD);
    QCOMPARE(c.cXPFace, Rgb(0xF0F0F0)); // blue 192 + 48 with the xp rule
    c = ComputeColors({ColorTypes::UseContainer, 2, false, 0, 0, 0, 0}, sources);
    QVERIFY(c.cFace == 0x203040 && c.cText == 0x0000AA && c.cTextOver == 0x0000AA && c.cShadow == 0x000000);
    QCOMPARE(c.cSelectTint, TintColor(c.cSelect, 176));
    c = ComputeColors({7, 2, false, 0, 0, 0, 0}, sources);
    QCOMPARE(c.cFace, rgbFromQColor(sources.system.color(QPalette::Button)));

    // On a form: "Use Container" follows the form's colours; "Custom" keeps its own.
    QWidget form;
    ZqCommand follows(&form);
    ZqCommand own(&form);
    follows.setColorScheme(ColorTypes::UseContainer);
    own.setColorScheme(ColorTypes::Custom);
    own.setBackColor(OleColor{0x123456});
    QPalette green = form.palette();
    green.setColor(QPalette::Window, QColor(0, 128, 0));
    form.setPalette(green);
    QCOMPARE(follows.colors().cFace, Rgb(0x008000));
    QCOMPARE(own.colors().cFace, Rgb(0x123456));
}

void ZqCustomButtonTest::shapeCutsTheStylesCorners()
{
    const int w = 20;
    const int h = 10;
    const QList<QPoint> corners{{0, 0},     {1, 0},     {0, 1},     {w - 1, 0},     {w - 2, 0},     {w - 1, 1},
                                {0, h - 1}, {1, h - 1}, {0, h - 2}, {w - 1, h - 1}, {w - 2, h - 1}, {w - 1, h - 2}};
    const auto cut = [&](int style) {
        const QRegion region = BuildRegion(style, w, h);
        QList<QPoint> out;
        for (const QPoint& p : corners)
            if (!region.contains(p))
                out.append(p);
        return out;
    };
    const QList<QPoint> fourCorners{{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    QCOMPARE(cut(1), fourCorners);
    QCOMPARE(cut(14), fourCorners);
    QCOMPARE(cut(5), (QList<QPoint>{{w - 1, 0}, {0, h - 1}}));
    QCOMPARE(cut(3), corners);
    QCOMPARE(cut(4), corners);
    QVERIFY(cut(2).isEmpty() && cut(10).isEmpty());
    const QRegion oval = BuildRegion(13, w, h);
    QVERIFY(oval.contains(QPoint(w / 2, 0)) && oval.contains(QPoint(0, h / 2)) && oval.contains(QPoint(w / 2, h / 2)));
    QVERIFY(!oval.contains(QPoint(1, 1)) && !oval.contains(QPoint(w - 2, h - 2)));

    // The widget takes the shape, and its focus rectangle the style's inset.
    ZqCommand button;
    button.resize(w, h);
    button.setButtonType(14);
    QCOMPARE(button.mask(), BuildRegion(14, w, h));
    QCOMPARE(button.geometry().FocusRect, (EdgeRect{6, 6, w - 4, h - 4}));
    button.setButtonType(9);
    QCOMPARE(button.geometry().FocusRect, (EdgeRect{3, 3, w - 3, h - 3}));
}

void ZqCustomButtonTest::captionAndPicturePlacement_data()
{
    QTest::addColumn<int>("position");
    QTest::newRow("left") << int(PicPositions::cbLeft);
    QTest::newRow("right") << int(PicPositions::cbRight);
    QTest::newRow("top") << int(PicPositions::cbTop);
    QTest::newRow("bottom") << int(PicPositions::cbBottom);
    QTest::newRow("background") << int(PicPositions::cbBackground);
}

// The caption's ink and the picture as drawn: apart on the picture's side, and both inside.
void ZqCustomButtonTest::captionAndPicturePlacement()
{
    QFETCH(int, position);
    ZqCommand button;
    button.InitProperties();
    button.setColorScheme(ColorTypes::Custom);
    button.setBackColor(OleColor{0xFFFFFF});
    button.setForeColor(OleColor{0x000000});
    button.setForeOver(OleColor{0x000000});
    button.setCaption(QStringLiteral("Save"));
    button.setPicturePosition(position);
    button.setPictureNormal(solidPicture(position == PicPositions::cbBackground ? 60 : 12, 12, qRgb(255, 0, 0)));
    button.resize(120, 60);
    button.show();
    const QImage& surface = button.surface();
    const QRect text = boxOf(surface, 0x000000);
    const QRect picture = boxOf(surface, kRed);
    QVERIFY(!text.isEmpty() && !picture.isEmpty());
    QVERIFY(surface.rect().adjusted(1, 1, -1, -1).contains(text | picture));
    QCOMPARE(picture.size(), button.PictureNormal().size());
    switch (position) {
    case PicPositions::cbLeft: QVERIFY(picture.right() < text.left()); break;
    case PicPositions::cbRight: QVERIFY(picture.left() > text.right()); break;
    case PicPositions::cbTop: QVERIFY(picture.bottom() < text.top()); break;
    case PicPositions::cbBottom: QVERIFY(picture.top() > text.bottom()); break;
    default: QVERIFY(picture.contains(text)); // the caption drawn again over the picture
    }
    // A position above the members keeps the previous caption rectangle.
    const EdgeRect before = button.geometry().CaptionRect;
    button.setPicturePosition(9);
    QCOMPARE(button.geometry().CaptionRect, before);
}

void ZqCustomButtonTest::blitMaskGreyBlendAndSilhouette()
{
    PixelSurface surface;
    surface.resize(3, 1);
    QImage picture(3, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(0xC0, 0xC0, 0xC0));
    picture.setPixel(1, 0, qRgb(100, 150, 200));
    picture.setPixel(2, 0, qRgb(250, 250, 250));
    const auto blit = [&](BlitMode mode) {
        surface.FillBox(0, 0, 3, 1, 0x303030);
        surface.BlitPicture(0, 0, 3, 1, picture, mode, kMask);
        return QList<Rgb>{surface.pixel(0, 0), surface.pixel(1, 0), surface.pixel(2, 0)};
    };
    QCOMPARE(blit({kMask, true, {}, false, false, false}), (QList<Rgb>{0x303030, 0xC89664, 0xFAFAFA}));
    QCOMPARE(blit({kMask, false, {}, false, false, false}), (QList<Rgb>{0xC0C0C0, 0xC89664, 0xFAFAFA}));
    // round(30 + 88.5 + 22) = 140 (halves to even); blend (48 + 2 * 100) / 3 = 82, 116, 149
    QCOMPARE(blit({kMask, true, {}, false, true, false}).at(1), Rgb(0x8C8C8C));
    QCOMPARE(blit({kMask, true, {}, false, false, true}).at(1), Rgb(0x957452));
    QCOMPARE(blit({kMask, true, kRed, false, false, false}), (QList<Rgb>{0x303030, kRed, kRed}));
    QCOMPARE(blit({kMask, true, kRed, true, false, false}), (QList<Rgb>{0x303030, 0x303030, 0x303030}));
    // An icon is laid on the mask colour first, so its clear pixels stay out.
    QImage icon(3, 1, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(1, 0, 0xFF00FF00u);
    surface.FillBox(0, 0, 3, 1, 0x303030);
    surface.BlitPicture(0, 0, 3, 1, icon, {kMask, true, {}, false, false, false}, kMask);
    QCOMPARE(surface.pixel(0, 0), Rgb(0x303030));
    QCOMPARE(surface.pixel(1, 0), Rgb(0x00FF00));
}

void ZqCustomButtonTest::linesBevelAndGradient()
{
    PixelSurface surface;
    surface.resize(6, 4);
    surface.FillBox(0, 0, 6, 4, 0);
    surface.DrawLine(0, 0, 3, 3, kRed);
    QVERIFY(surface.pixel(2, 2) == kRed && surface.pixel(3, 3) == 0);
    surface.DrawBevel(0x111111, 0x222222, 0x333333, 0x444444, 0);
    // The bottom row runs one past the left edge, over the path's start.
    QVERIFY(surface.pixel(0, 2) == 0x111111 && surface.pixel(5, 0) == 0x222222 && surface.pixel(0, 3) == 0x222222);
    QVERIFY(surface.pixel(1, 1) == 0x333333 && surface.pixel(3, 1) == 0x333333 && surface.pixel(4, 1) == 0x444444
            && surface.pixel(1, 2) == 0x444444);
    QCOMPARE(surface.pixel(5, 3), Rgb(0x222222));

    // Steps of 0.5 per row round to 0, 1, 2 (1.5 goes to the even 2).
    ButtonProperties properties;
    ButtonColors colors;
    ButtonGeometry geometry;
    ButtonDrawState state;
    geometry.resize(2, 6, 4);
    ButtonPainter painter(surface, properties, colors, geometry, state);
    painter.Gradient(0x808080, 2, false, false);
    QCOMPARE((QList<Rgb>{surface.pixel(0, 1), surface.pixel(0, 2), surface.pixel(0, 3)}),
             (QList<Rgb>{0x808080, 0x7F7F7F, 0x7E7E7E}));

    // The focus outline inverts every other pixel of its border, only with the focus.
    surface.FillBox(0, 0, 6, 4, 0);
    geometry.FocusRect = {1, 1, 5, 3};
    properties.ShowFocusRect = true;
    painter.DrawFocus();
    QCOMPARE(surface.pixel(1, 1), Rgb(0));
    state.hasFocus = true;
    painter.DrawFocus();
    QVERIFY(surface.pixel(1, 1) == 0xFFFFFF && surface.pixel(2, 1) == 0 && surface.pixel(3, 1) == 0xFFFFFF);
}

void ZqCustomButtonTest::drawingFollowsTheShownFlag()
{
    ZqCommand button;
    button.InitProperties();
    button.setCaption(QStringLiteral("&Go"));
    button.resize(60, 24);
    button.show();
    QVERIFY(button.isShownFlag());
    const QImage shown = button.surface();
    button.DisableRefresh();
    button.setColorScheme(ColorTypes::ForceStandard);
    button.setCaption(QStringLiteral("Stop"));
    QCOMPARE(button.surface(), shown);
    button.Refresh();
    QVERIFY(button.surface() != shown);
    QCOMPARE(button.surface().pixel(30, 2), pixelOf(0xC0C0C0));
    button.hide();
    QVERIFY(!button.isShownFlag());
}

void ZqCustomButtonTest::transparentStyleCopiesTheContainer()
{
    QWidget form;
    QPalette blue = form.palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 200));
    form.setPalette(blue);
    form.setAutoFillBackground(true);
    form.resize(100, 60);
    ZqCommand button(&form);
    button.InitProperties();
    button.setCaption(QString());
    button.setGeometry(10, 10, 40, 20);
    button.setButtonType(ButtonTypes::Transparent);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(button.size(), QSize(40, 20));
    QCOMPARE(button.backgroundCopy().size(), QSize(40, 20));
    QCOMPARE(button.backgroundCopy().pixel(20, 10), qRgb(0, 0, 200));
    QCOMPARE(button.surface().pixel(20, 10), qRgb(0, 0, 200));
}

QTEST_MAIN(ZqCustomButtonTest)
#include "tst_zqcustombutton.moc"
