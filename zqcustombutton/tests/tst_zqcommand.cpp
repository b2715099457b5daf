// The command button's styles in their looks, and the button under mouse, keyboard and focus on
// a form: the events a host sees, in their order, and the looks that go with them.
#include "buttonpainter.h"
#include "zqcommand.h"

#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {

enum Look { Up, Over, Default, Down, DownOver, DefaultDown, Disabled };

struct Pixel
{
    int x;
    int y;
    Rgb c;
};

struct LookCase
{
    int style;
    Look look;
    QList<Pixel> pixels;
};

// "Force Standard" colours on a 40 x 20 button without a caption: face C0, shadow 80, light DF,
// highlight FF, dark shadow 00, selection 800000, its tint D1ADAD, XP face F0.
const QList<LookCase> kLookCases{
    {1, Up, {{1, 5, 0xFFFFFF}, {0, 5, 0x000000}, {38, 5, 0x808080}}},
    {1, Down, {{1, 5, 0x808080}, {38, 5, 0xFFFFFF}, {0, 5, 0x000000}}},
    {1, Disabled, {{1, 5, 0xFFFFFF}, {0, 5, 0x000000}}},
    {2, Up, {{0, 5, 0xFFFFFF}, {1, 5, 0xDFDFDF}, {39, 5, 0x000000}, {38, 5, 0x808080}}},
    {2, Default, {{0, 5, 0x000000}, {1, 5, 0xFFFFFF}, {38, 5, 0x000000}, {37, 5, 0x808080}}},
    {2, Down, {{0, 5, 0x000000}, {1, 5, 0x808080}, {39, 5, 0xFFFFFF}}},
    {2, DefaultDown, {{0, 5, 0x000000}, {1, 5, 0x808080}, {39, 5, 0x000000}, {2, 5, 0xC0C0C0}}},
    {2, Disabled, {{0, 5, 0xFFFFFF}, {39, 5, 0x000000}}},
    // XP: frame and corner dots, the face's rim (X(-48) at the bottom), orange under the mouse,
    // blue as the default button; pressed: a darker gradient from the bottom.
    {3, Up, {{5, 0, 0x733C00}, {1, 1, 0x7B4D10}, {5, 18, 0xB4C0C0}, {5, 1, 0xFFFFFF}}},
    {3, Over, {{1, 5, 0x31B2FF}, {5, 18, 0x0096E7}, {5, 1, 0xCEF3FF}}},
    {3, Default, {{1, 5, 0xE7AE8C}, {5, 18, 0xEF826B}, {5, 1, 0xFFE7CE}}},
    {3, Down, {{5, 0, 0x733C00}, {37, 5, 0xF0F0F0}, {5, 1, 0xA7B0B0}}},
    {3, Disabled, {{20, 10, 0xD2D8D8}, {5, 0, 0x879C9C}, {1, 1, 0x96A8A8}}},
    {4, Up, {{20, 10, 0xDFDFDF}, {5, 2, 0xFFFFFF}, {38, 5, 0x808080}, {1, 1, 0x000000}, {5, 0, 0x000000}}},
    {4, Down, {{20, 10, 0x707070}, {5, 1, 0x404040}, {5, 2, 0x606060}, {38, 8, 0x707070}}},
    {4, Disabled, {{20, 10, 0xDFDFDF}, {5, 2, 0xFFFFFF}, {38, 5, 0x808080}}},
    {5, Up, {{20, 10, 0xCCCCCC}, {5, 0, 0x666666}, {39, 5, 0xFFFFFF}, {1, 18, 0x9A9A9A}}},
    {5, Down, {{20, 10, 0x909090}, {5, 0, 0x666666}, {39, 5, 0xFFFFFF}}},
    {5, Disabled, {{20, 10, 0xC0C0C0}, {39, 5, 0x808080}, {0, 5, 0x808080}}},
    {6, Up, {{0, 5, 0xE7E7E7}, {39, 5, 0x808080}}},
    {6, Down, {{0, 5, 0x808080}, {39, 5, 0xE7E7E7}}},
    {7, Up, {{0, 5, 0xFFFFFF}, {39, 5, 0x808080}, {1, 5, 0xC0C0C0}}},
    {7, Down, {{0, 5, 0x808080}, {39, 5, 0xFFFFFF}}},
    {7, Disabled, {{0, 5, 0xFFFFFF}, {39, 5, 0x808080}}},
    {8, Up, {{0, 5, 0xC0C0C0}, {39, 5, 0xC0C0C0}}},
    {8, Over, {{0, 5, 0xFFFFFF}, {39, 5, 0x808080}}},
    {8, Down, {{0, 5, 0x808080}, {39, 5, 0xFFFFFF}}},
    {9, Up, {{0, 5, 0xC0C0C0}, {5, 5, 0xC0C0C0}}},
    {9, Over, {{0, 5, 0x800000}, {5, 5, 0xD1ADAD}, {0, 0, 0x800000}}},
    {9, Down, {{0, 5, 0x800000}, {5, 5, 0xC0C0C0}}},
    {9, DownOver, {{0, 5, 0x800000}, {5, 5, 0xBF8080}}},
    {9, Disabled, {{0, 5, 0xC0C0C0}}},
    {12, Up, {{0, 5, 0xC0C0C0}}},
    {12, Over, {{0, 5, 0xFFFFFF}, {39, 5, 0x000000}}},
    {12, Down, {{0, 5, 0x000000}, {39, 5, 0xFFFFFF}}},
    {13, Up, {{20, 1, 0xC0C0C0}, {20, 10, 0xC0C0C0}}},
    {13, Over, {{20, 1, 0x808080}, {0, 10, 0x808080}, {20, 10, 0xC0C0C0}, {1, 1, 0xC0C0C0}}},
    {13, Down, {{20, 1, 0x000000}, {20, 10, 0xA0A0A0}, {1, 1, 0xC0C0C0}}},
    {13, Disabled, {{20, 1, 0xC0C0C0}}},
    // KDE: the frames, the highlight corner, a gradient (row 10 darkened by 58 * 10 / 20).
    {14, Up, {{5, 0, 0x4E4E4E}, {5, 1, 0xB7B7B7}, {5, 2, 0xFFFFFF}, {2, 10, 0xFFFFFF}, {20, 10, 0xE2E2E2}}},
    {14, Over, {{5, 0, 0x4E4E4E}, {20, 10, 0xDFDFDF}}},
    {14, Down, {{20, 10, 0xB7B7B7}, {5, 0, 0x505050}, {38, 5, 0xFFFFFF}, {5, 18, 0xFFFFFF}}},
    {14, Disabled, {{5, 0, 0x4E4E4E}, {20, 10, 0xE2E2E2}}},
    // No style: the face, nothing else.
    {10, Down, {{0, 5, 0xC0C0C0}, {39, 19, 0xC0C0C0}}},
    {0, Up, {{0, 0, 0xC0C0C0}, {39, 5, 0xC0C0C0}}},
};

// The left edge of the buttons on the form ("Simple Flat"): highlight up, shadow down.
constexpr Rgb kFlatUp = 0xFFFFFF;
constexpr Rgb kFlatDown = 0x808080;
Rgb leftEdge(const ZqCommand& b)
{
    return rgbFromQColor(b.surface().pixelColor(0, 5));
}

QImage drawLook(int style, Look look)
{
    ButtonProperties p;
    p.ButtonType = style;
    p.ColorScheme = ColorTypes::ForceStandard;
    p.Enabled = look != Disabled;
    p.ShowFocusRect = true;
    ButtonColors colors = ComputeColors({p.ColorScheme, style, false, 0, 0, 0, 0}, {QPalette(), 0, 0});
    ButtonGeometry geometry;
    geometry.resize(style, 40, 20);
    ButtonDrawState state;
    state.over = look == Over || look == DownOver;
    state.defaultLook = look == Default || look == DefaultDown;
    PixelSurface surface;
    surface.resize(40, 20);
    const bool down = look == Down || look == DownOver || look == DefaultDown;
    ButtonPainter(surface, p, colors, geometry, state)
        .DrawButton(look == Disabled ? ButtonPainter::PictureDisabled
                        : down       ? ButtonPainter::PictureDown
                                     : ButtonPainter::PictureUp);
    return surface.image();
}

// The events of a button as a host's log; moves in a row count once.
void recordEvents(ZqCommand& button, QStringList* log, QObject* context)
{
    const auto mouse = [log](const char* name) {
        return [log, name](short b, short s, float x, float y) {
            log->append(QStringLiteral("%1(%2,%3,%4,%5)").arg(QLatin1String(name)).arg(b).arg(s).arg(x).arg(y));
        };
    };
    QObject::connect(&button, &ZqCommand::MouseDown, context, mouse("MouseDown"));
    QObject::connect(&button, &ZqCommand::MouseUp, context, mouse("MouseUp"));
    QObject::connect(&button, &ZqCommand::MouseMove, context, [log](short b) {
        if (log->isEmpty() || !log->last().startsWith(QLatin1String("MouseMove")))
            log->append(QStringLiteral("MouseMove(%1)").arg(b));
    });
    QObject::connect(&button, &ZqCommand::MouseOver, context, [log] { log->append(QStringLiteral("MouseOver")); });
    QObject::connect(&button, &ZqCommand::MouseOut, context, [log] { log->append(QStringLiteral("MouseOut")); });
    QObject::connect(&button, &ZqCommand::Click, context, [log] { log->append(QStringLiteral("Click")); });
}

} // namespace

class ZqCommandTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void stylesInTheirLooks();
    void redrawRules();
    void mouseClickHoverAndLeave();
    void otherButtonsAndDoubleClick();
    void keyboardAndFocus();
    void keyCodesAndCharacters();
    void hostMayDestroyTheButtonInAnyHandler_data();
    void hostMayDestroyTheButtonInAnyHandler();

private:
    ZqCommand* addButton(int style, QRect at);

    std::unique_ptr<QWidget> m_form;
    ZqCommand* m_button = nullptr;
    QStringList m_log;
};

void ZqCommandTest::stylesInTheirLooks()
{
    for (const LookCase& test : kLookCases) {
        const QImage image = drawLook(test.style, test.look);
        for (const Pixel& pixel : test.pixels) {
            const Rgb got = rgbFromQColor(image.pixelColor(pixel.x, pixel.y));
            QVERIFY2(got == pixel.c,
                     qPrintable(QString::asprintf("style %d, look %d, (%d, %d): %06x, expected %06x", test.style,
                                                  test.look, pixel.x, pixel.y, got, pixel.c)));
        }
    }
}

ZqCommand* ZqCommandTest::addButton(int style, QRect at)
{
    auto* button = new ZqCommand(m_form.get());
    button->InitProperties();
    button->setCaption(QString());
    button->setColorScheme(ColorTypes::ForceStandard);
    button->setShowFocusRect(false); // the looks here do not depend on where the focus is
    button->setButtonType(style);
    button->setGeometry(at);
    return button;
}

void ZqCommandTest::init()
{
    m_form = std::make_unique<QWidget>();
    m_form->resize(300, 120);
    m_button = addButton(ButtonTypes::SimpleFlat, QRect(20, 20, 80, 30));
    m_log.clear();
    recordEvents(*m_button, &m_log, m_form.get());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::mouseMove(m_form.get(), QPoint(250, 100)); // away from the buttons
}

// A toggle that is on is drawn down; a button of height 0 draws nothing; under the mouse a
// button in its own colours is drawn from its over colour, and keeps its colours after.
void ZqCommandTest::redrawRules()
{
    ZqCommand& b = *m_button;
    QCOMPARE(leftEdge(b), kFlatUp);
    b.setCheckBoxBehaviour(true);
    b.setValue(true);
    b.Redraw(ButtonStates::kUp, true);
    QCOMPARE(leftEdge(b), kFlatDown);
    b.setValue(false);
    QCOMPARE(leftEdge(b), kFlatUp);

    const QImage before = b.surface();
    b.resize(80, 0);
    b.Redraw(ButtonStates::kDown, true);
    QCOMPARE(b.surface(), before);
    b.resize(80, 30);

    b.setColorScheme(ColorTypes::Custom);
    b.setBackColor(OleColor{0x112233});
    b.setBackOver(OleColor{0x445566});
    QTest::mouseMove(&b, QPoint(40, 15));
    QTRY_VERIFY(b.isOver());
    QCOMPARE(rgbFromQColor(b.surface().pixelColor(40, 15)), Rgb(0x445566));
    QCOMPARE(b.colors().cFace, Rgb(0x112233));
}

// A left click as a host sees it, the look at the time of Click, and the leave found by the
// timer although no move over the button came after the mouse left.
void ZqCommandTest::mouseClickHoverAndLeave()
{
    ZqCommand& b = *m_button;
    Rgb lookAtClick = 0;
    connect(&b, &ZqCommand::Click, this, [&] { lookAtClick = leftEdge(b); });
    QVERIFY(!b.isOverTimerActive());
    QTest::mouseMove(&b, QPoint(40, 15));
    QTRY_VERIFY(b.isOverTimerActive());
    QTest::mousePress(&b, Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 15));
    QCOMPARE(leftEdge(b), kFlatDown);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(41, 16));
    QCOMPARE(lookAtClick, kFlatUp);
    QTest::mouseMove(m_form.get(), QPoint(250, 100));
    QTRY_VERIFY(!b.isOver());
    QCOMPARE(
        m_log,
        (QStringList{"MouseMove(0)", "MouseOver", "MouseDown(1,1,40,15)", "MouseUp(1,0,41,16)", "Click", "MouseOut"}));
    QVERIFY(!b.isOverTimerActive());

    // Held down and dragged off, the button comes up; dragged back, it goes down and the mouse
    // no longer counts as over it.
    m_log.clear();
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(40, 15));
    QTest::mouseMove(&b, QPoint(200, 15));
    QCOMPARE(leftEdge(b), kFlatUp);
    QTest::mouseMove(&b, QPoint(40, 15));
    QCOMPARE(leftEdge(b), kFlatDown);
    QVERIFY(!b.isOver());
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 15));
    QCOMPARE(m_log.filter(QStringLiteral("Click")).size(), 0);

    // The oval's corners are not the button.
    ZqCommand* oval = addButton(ButtonTypes::OvalFlat, QRect(120, 20, 80, 30));
    oval->show();
    QSignalSpy overOval(oval, &ZqCommand::MouseOver);
    QTest::mouseMove(oval, QPoint(2, 2));
    QTest::mouseMove(oval, QPoint(3, 3));
    QCOMPARE(overOval.size(), 0);
    QTest::mouseMove(oval, QPoint(40, 15));
    QTRY_COMPARE(overOval.size(), 1);
}

// The right button and the middle one raise no Click; the middle one draws the button down.
// The second press of a double click comes at (0, 0) and draws down, and its release clicks.
void ZqCommandTest::otherButtonsAndDoubleClick()
{
    ZqCommand& b = *m_button;
    const QImage up = b.surface();
    QTest::mousePress(&b, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(b.surface(), up);
    QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mousePress(&b, Qt::MiddleButton, {}, QPoint(10, 10));
    QCOMPARE(leftEdge(b), kFlatDown);
    QTest::mouseRelease(&b, Qt::MiddleButton, {}, QPoint(10, 10));
    QCOMPARE(b.surface(), up);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(m_log,
             (QStringList{"MouseDown(2,0,10,10)", "MouseUp(2,0,10,10)", "MouseDown(4,0,10,10)", "MouseUp(4,0,10,10)",
                          "MouseDown(1,0,10,10)", "MouseUp(1,0,10,10)", "Click"}));

    // Through the window, as the platform delivers a double click: press, release, the second
    // press as a double click, release. The button is down at each release.
    m_log.clear();
    QList<Rgb> lookAtRelease;
    connect(&b, &ZqCommand::MouseUp, this, [&] { lookAtRelease.append(leftEdge(b)); });
    QTest::mouseDClick(m_form->windowHandle(), Qt::LeftButton, {}, b.pos() + QPoint(10, 10));
    QCOMPARE(m_log,
             (QStringList{"MouseMove(0)", "MouseOver", "MouseDown(1,0,10,10)", "MouseUp(1,0,10,10)", "Click",
                          "MouseDown(1,0,0,0)", "MouseUp(1,0,10,10)", "Click"}));
    QCOMPARE(lookAtRelease, (QList<Rgb>{kFlatDown, kFlatDown}));

    // The back and forward buttons are not the button's.
    m_log.clear();
    for (Qt::MouseButton extra : {Qt::BackButton, Qt::ForwardButton}) {
        QTest::mousePress(m_form->windowHandle(), extra, {}, b.pos() + QPoint(10, 10));
        QCOMPARE(b.surface(), up);
        QTest::mouseRelease(m_form->windowHandle(), extra, {}, b.pos() + QPoint(10, 10));
    }
    QVERIFY2(m_log.filter(QRegularExpression("MouseDown|MouseUp|Click")).isEmpty(), qPrintable(m_log.join(' ')));
}

// Key codes are virtual-key codes; KeyPress comes with the character a key produces, and only
// then. The button's own keys stop there; the others go on to the form.
void ZqCommandTest::keyCodesAndCharacters()
{
    ZqCommand& b = *m_button;
    QStringList keys;
    connect(&b, &ZqCommand::KeyDown, this, [&keys](short code) { keys << QStringLiteral("down %1").arg(code); });
    connect(&b, &ZqCommand::KeyPress, this, [&keys](short ascii) { keys << QStringLiteral("press %1").arg(ascii); });
    int atForm = 0;
    struct Counter final : QObject
    {
        int* count;
        explicit Counter(int* c)
            : count(c)
        {
        }
        bool eventFilter(QObject*, QEvent* e) override
        {
            *count += e->type() == QEvent::KeyPress;
            return false;
        }
    } counter(&atForm);
    m_form->installEventFilter(&counter);
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        const char* expected;
    } cases[] = {
        {Qt::Key_Semicolon, {}, ";", "down 186|press 59"},
        {Qt::Key_Question, Qt::ShiftModifier, "?", "down 191|press 63"},
        {Qt::Key_CapsLock, {}, "", "down 20"},
        {Qt::Key_NumLock, {}, "", "down 144"},
        {Qt::Key_7, Qt::KeypadModifier, "7", "down 103|press 55"},
        {Qt::Key_Asterisk, Qt::KeypadModifier, "*", "down 106|press 42"},
        {Qt::Key_Slash, Qt::KeypadModifier, "/", "down 111|press 47"},
        {Qt::Key_Delete, {}, "\x7f", "down 46"},
        {Qt::Key_Backspace, {}, "\b", "down 8|press 8"},
        {Qt::Key_Escape, {}, "\x1b", "down 27|press 27"},
        {Qt::Key_Space, {}, " ", "down 32|press 32"},
        {Qt::Key_Left, {}, "", "down 37"},
    };
    int passedOn = 0;
    for (const auto& c : cases) {
        keys.clear();
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, QString::fromLatin1(c.text));
        QApplication::sendEvent(&b, &press);
        QCOMPARE(keys.join('|'), QString::fromLatin1(c.expected));
        passedOn += c.key != Qt::Key_Space && c.key != Qt::Key_Left;
        QCOMPARE(atForm, passedOn);
    }
}

// A host may destroy the button in the handler of any of its events.
void ZqCommandTest::hostMayDestroyTheButtonInAnyHandler_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("input");
    for (const char* event : {"MouseDown", "MouseUp", "Click"})
        QTest::newRow(qPrintable(QStringLiteral("%1 on a click").arg(event))) << event << "click";
    for (const char* event : {"MouseMove", "MouseOver"})
        QTest::newRow(qPrintable(QStringLiteral("%1 on a move").arg(event))) << event << "move";
    for (const char* event : {"KeyDown", "KeyPress", "KeyUp", "Click"})
        QTest::newRow(qPrintable(QStringLiteral("%1 on the space bar").arg(event))) << event << "space";
    for (const char* event : {"KeyDown", "KeyPress", "Click"})
        QTest::newRow(qPrintable(QStringLiteral("%1 on Enter").arg(event))) << event << "enter";
    QTest::newRow("MouseDown on a double click") << "MouseDown"
                                                 << "double";
}

void ZqCommandTest::hostMayDestroyTheButtonInAnyHandler()
{
    QFETCH(QString, event);
    QFETCH(QString, input);
    QPointer<ZqCommand> doomed = m_button;
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    doomed->setFocus();
    QTRY_VERIFY(doomed->hasFocus());
    // Only when `event` comes: a double click is doomed at its second press.
    int downs = input == "double" ? 2 : 1;
    const auto doom = [&](const char* name) {
        return [&, name] {
            if (event == QLatin1String(name) && --downs == 0)
                delete doomed.data();
        };
    };
    connect(doomed, &ZqCommand::MouseDown, this, doom("MouseDown"));
    connect(doomed, &ZqCommand::MouseMove, this, doom("MouseMove"));
    connect(doomed, &ZqCommand::MouseUp, this, doom("MouseUp"));
    connect(doomed, &ZqCommand::MouseOver, this, doom("MouseOver"));
    connect(doomed, &ZqCommand::KeyDown, this, doom("KeyDown"));
    connect(doomed, &ZqCommand::KeyPress, this, doom("KeyPress"));
    connect(doomed, &ZqCommand::KeyUp, this, doom("KeyUp"));
    connect(doomed, &ZqCommand::Click, this, doom("Click"));
    QWindow* window = m_form->windowHandle();
    const QPoint at = doomed->pos() + QPoint(10, 10);
    if (input == "click" || input == "double") {
        QTest::mouseMove(window, at);
        input == "click" ? QTest::mouseClick(window, Qt::LeftButton, {}, at)
                         : QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    } else if (input == "move") {
        QTest::mouseMove(window, at);
        QTest::mouseMove(window, at + QPoint(1, 1));
    } else {
        const Qt::Key key = input == "space" ? Qt::Key_Space : Qt::Key_Return;
        QTest::keyClick(window, key);
    }
    QVERIFY(!doomed);
}

// Space clicks on its release, arrows move the focus and never click, the access key, Enter
// and Escape click; a toggle's Value has flipped when Click comes.
void ZqCommandTest::keyboardAndFocus()
{
    ZqCommand& b = *m_button;
    b.setButtonType(ButtonTypes::Windows32Bit);
    b.setShowFocusRect(true);
    ZqCommand* next = addButton(ButtonTypes::Windows32Bit, QRect(120, 20, 80, 30));
    auto* edit = new QLineEdit(m_form.get());
    edit->setGeometry(20, 70, 80, 20);
    next->show();
    edit->show();
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    b.setFocus();
    QTRY_VERIFY(b.hasFocus());
    QVERIFY(b.looksDefault());
    QCOMPARE(rgbFromQColor(b.surface().pixelColor(0, 5)), Rgb(0x000000)); // the default button's outline

    QList<bool> valueAtClick;
    bool drawnAsValue = true; // by the time Click comes, a toggle that is on is drawn down
    connect(&b, &ZqCommand::Click, this, [&] {
        valueAtClick.append(b.Value());
        drawnAsValue &= rgbFromQColor(b.surface().pixelColor(1, 5)) == (b.Value() ? 0x808080u : 0xFFFFFFu);
    });
    b.setCheckBoxBehaviour(true);
    QTest::keyPress(&b, Qt::Key_Space);
    QVERIFY(valueAtClick.isEmpty());
    QTest::keyRelease(&b, Qt::Key_Space);
    QTest::keyPress(&b, Qt::Key_A);
    QTest::keyRelease(&b, Qt::Key_Space); // the last key was not the space bar
    QCOMPARE(valueAtClick, (QList<bool>{true}));

    QTest::keyClick(&b, Qt::Key_Right);
    QVERIFY(next->hasFocus());
    QTest::keyClick(next, Qt::Key_Up);
    QVERIFY(b.hasFocus());
    QTest::keyClick(&b, Qt::Key_Down);
    QVERIFY(next->hasFocus());
    QCOMPARE(valueAtClick.size(), 1);

    // The default button waits while another button has the focus.
    b.setDefault(true);
    next->setCancel(true);
    QVERIFY(!b.looksDefault());
    edit->setFocus();
    QVERIFY(b.looksDefault());
    QSignalSpy nextClicks(next, &ZqCommand::Click);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(nextClicks.size(), 1);
    b.setCaption(QStringLiteral("&Save"));
    QTest::keyClick(edit, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(valueAtClick, (QList<bool>{true, false, true}));
    QVERIFY(drawnAsValue);
}

QTEST_MAIN(ZqCommandTest)
#include "tst_zqcommand.moc"
