// The flat check box: its value and events under real mouse input on the box and on the caption,
// its looks and hover tracking, its colours and layout, and its design data, created by ProgID as
// the program's forms create it.
#include "check.h"
#include "checkglyphs.h"
#include "controlhost.h"
#include "testconfighome.h"

#include <QPainter>
#include <QtTest>

class FlatTickTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pressChangesTheValueReleaseClicks_data();
    void pressChangesTheValueReleaseClicks();
    void disabledRaisesNothingAndShowsItsColours();
    void hoverFollowsTheMouseWithoutATimerAtRest();
    void glyphsAndLayoutOnScreen();
    void designDataByProgId();

private:
    QWidget* part(Check& check, const char* name) { return check.findChild<QWidget*>(QLatin1String(name)); }
    void record(Check& check);
    void moveMouse(Check& check, const char* partName);

    QStringList m_events;
    QWidget* m_under = nullptr;
};

void FlatTickTest::init()
{
    m_events.clear();
    m_under = nullptr;
    QCursor::setPos(5000, 5000);
}

void FlatTickTest::record(Check& check)
{
    ControlHost::connectEvent(&check, "Click", &check,
                              [this, &check] { m_events.append(QStringLiteral("Click %1").arg(check.Value())); });
    ControlHost::connectEvent(&check, "DblClick", &check, [this] { m_events.append(QStringLiteral("DblClick")); });
    connect(&check, &Check::MouseDown, &check, [this, &check](short button, short shift, float x, float y) {
        m_events.append(QStringLiteral("MouseDown %1 %2 %3,%4 value %5")
                            .arg(button)
                            .arg(shift)
                            .arg(double(x))
                            .arg(double(y))
                            .arg(check.Value()));
    });
}

// Moves the pointer onto the part (or away with null) with the leave and enter events the
// window system sends.
void FlatTickTest::moveMouse(Check& check, const char* partName)
{
    QWidget* target = partName ? part(check, partName) : nullptr;
    QCursor::setPos(target ? target->mapToGlobal(QPoint(3, 3)) : QPoint(5000, 5000));
    if (m_under) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_under, &leave);
    }
    m_under = target;
    if (target) {
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(target->mapToGlobal(QPoint(3, 3))));
        QCoreApplication::sendEvent(target, &enter);
    }
}

void FlatTickTest::pressChangesTheValueReleaseClicks_data()
{
    QTest::addColumn<QString>("partName");
    QTest::newRow("box") << QStringLiteral("Picture1");
    QTest::newRow("caption") << QStringLiteral("Check1");
}

void FlatTickTest::pressChangesTheValueReleaseClicks()
{
    QFETCH(QString, partName);
    Check check;
    check.resize(120, 17);
    check.show();
    QVERIFY(QTest::qWaitForWindowExposed(&check));
    record(check);
    QWidget* target = part(check, qPrintable(partName));

    QTest::mousePress(target, Qt::LeftButton, Qt::ControlModifier, QPoint(4, 2));
    QCOMPARE(check.shownPicture(), QStringLiteral("PushedNoValue"));
    QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(4, 2));
    QCOMPARE(m_events, (QStringList{"MouseDown 1 2 60,30 value 0", "Click 1"}));

    // Greyed becomes unchecked; the pushed box shows the value from before the press.
    m_events.clear();
    QVERIFY(check.setProperty("Value", int(Greyed)));
    QTest::mousePress(target, Qt::LeftButton, {}, QPoint(4, 2));
    QCOMPARE(check.shownPicture(), QStringLiteral("PushedGreyed"));
    QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(4, 2));
    // A right press is reported and changes nothing; its release raises nothing.
    QTest::mouseClick(target, Qt::RightButton, Qt::ShiftModifier, QPoint(4, 2));
    QCOMPARE(m_events, (QStringList{"MouseDown 1 0 60,30 value 2", "Click 0", "MouseDown 2 1 60,30 value 0"}));

    // A double click as the window system delivers it: its second press comes as the double
    // click, so the value changes once.
    // Through the window the caption is hit only beside the box, which lies over its left end.
    m_events.clear();
    const QPoint inside(partName == "Check1" ? target->width() - 4 : 4, 2);
    QTest::mouseDClick(check.windowHandle(), Qt::LeftButton, {}, target->mapTo(&check, inside));
    QCOMPARE(m_events,
             (QStringList{QStringLiteral("MouseDown 1 0 %1,30 value 0").arg(inside.x() * 15), "Click 1", "DblClick",
                          "Click 1"}));

    // A host may destroy the control in its handlers.
    for (bool onClick : {false, true}) {
        QPointer<Check> doomed = new Check;
        doomed->show();
        if (onClick)
            connect(doomed, &Check::Click, doomed, [&doomed] { delete doomed; });
        else
            connect(doomed, &Check::MouseDown, doomed, [&doomed] { delete doomed; });
        QWidget* pressed = part(*doomed, qPrintable(partName));
        QTest::mousePress(pressed, Qt::LeftButton);
        if (onClick)
            QTest::mouseRelease(pressed, Qt::LeftButton);
        QVERIFY(!doomed);
    }
}

void FlatTickTest::disabledRaisesNothingAndShowsItsColours()
{
    Check check;
    check.resize(120, 17);
    check.show();
    record(check);
    check.setForeColor(OleColor{0x0000FF});
    check.setDisabledColor(OleColor{0x00FF00});
    QVERIFY(check.setProperty("Value", int(Checked)));
    QVERIFY(check.setProperty("Enabled", false));
    QCOMPARE(check.shownPicture(), QStringLiteral("CheckedDisabled"));
    QCOMPARE(check.captionColor(), OleColor{0x00FF00});
    for (const char* name : {"Picture1", "Check1"}) {
        QTest::mouseClick(part(check, name), Qt::LeftButton);
        QTest::mouseClick(part(check, name), Qt::RightButton);
        QTest::mouseDClick(check.windowHandle(), Qt::LeftButton, {}, part(check, name)->mapTo(&check, QPoint(12, 2)));
    }
    QVERIFY2(m_events.isEmpty(), qPrintable(m_events.join(QLatin1Char('|'))));
    QCOMPARE(check.property("Value").toInt(), int(Checked));
    QVERIFY(!check.isHoverTickPending());

    // The disabled colour shows only once Enabled is written or the control resized; the fore
    // colour shows at once, also while disabled.
    check.setDisabledColor(OleColor{0x123456});
    QCOMPARE(check.captionColor(), OleColor{0x00FF00});
    check.resize(130, 17);
    QCOMPARE(check.captionColor(), OleColor{0x123456});
    check.setForeColor(OleColor{0xFF0000});
    QCOMPARE(check.captionColor(), OleColor{0xFF0000});
    QVERIFY(check.setProperty("Enabled", true));
    QCOMPARE(check.captionColor(), OleColor{0xFF0000});
    QCOMPARE(check.shownPicture(), QStringLiteral("IdleChecked"));
}

void FlatTickTest::hoverFollowsTheMouseWithoutATimerAtRest()
{
    Check check;
    check.resize(120, 17);
    check.show();
    QVERIFY(QTest::qWaitForWindowExposed(&check));
    QTRY_VERIFY(!check.isHoverTickPending());
    QCOMPARE(check.shownPicture(), QStringLiteral("IdleNoValue"));

    moveMouse(check, "Check1");
    QTRY_COMPARE(check.shownPicture(), QStringLiteral("MouseoverNoValue"));
    // Reading the value shows the box at rest; the next tick brings the hover look back.
    QCOMPARE(check.property("Value").toInt(), int(Unchecked));
    QCOMPARE(check.shownPicture(), QStringLiteral("IdleNoValue"));
    QTRY_COMPARE(check.shownPicture(), QStringLiteral("MouseoverNoValue"));
    QVERIFY(check.setProperty("Value", int(Greyed)));
    QCOMPARE(check.shownPicture(), QStringLiteral("IdleGreyed"));
    QTRY_COMPARE(check.shownPicture(), QStringLiteral("MouseoverGreyed"));
    moveMouse(check, "Picture1");
    QTRY_VERIFY(!check.isHoverTickPending());
    QCOMPARE(check.shownPicture(), QStringLiteral("MouseoverGreyed"));

    // Held down, the box stays pushed wherever the mouse goes; released outside it goes idle.
    QTest::mousePress(part(check, "Picture1"), Qt::LeftButton, {}, QPoint(3, 3));
    moveMouse(check, nullptr);
    QVERIFY(!check.isHoverTickPending());
    QCOMPARE(check.shownPicture(), QStringLiteral("PushedGreyed"));
    QTest::mouseRelease(part(check, "Picture1"), Qt::LeftButton, {}, QPoint(3, 3));
    QTRY_COMPARE(check.shownPicture(), QStringLiteral("IdleNoValue"));
    moveMouse(check, "Picture1");
    QTest::mouseClick(part(check, "Picture1"), Qt::LeftButton, {}, QPoint(3, 3));
    QTRY_COMPARE(check.shownPicture(), QStringLiteral("MouseoverChecked"));
    moveMouse(check, nullptr);
    QTRY_COMPARE(check.shownPicture(), QStringLiteral("IdleChecked"));
    QTRY_VERIFY(!check.isHoverTickPending());
}

void FlatTickTest::glyphsAndLayoutOnScreen()
{
    // Every look and value differs from every other in a good part of the box.
    QList<QImage> all;
    for (CheckLook look : {CheckLook::Idle, CheckLook::MouseOver, CheckLook::Pushed, CheckLook::Disabled}) {
        for (CheckTypes value : {Unchecked, Checked, Greyed})
            all.append(CheckGlyphs::image(look, value));
    }
    for (qsizetype i = 0; i < all.size(); ++i) {
        for (qsizetype j = i + 1; j < all.size(); ++j) {
            int differing = 0;
            constexpr int n = CheckGlyphs::kSize;
            for (int p = 0; p < n * n; ++p)
                differing += qGray(all[i].pixel(p % n, p / n)) != qGray(all[j].pixel(p % n, p / n)) ? 1 : 0;
            QVERIFY2(differing >= 20, qPrintable(QStringLiteral("%1 and %2: %3 pixels").arg(i).arg(j).arg(differing)));
        }
    }

    Check check;
    check.setCaption(QStringLiteral("HILL"));
    check.setBackColor(OleColor{0x80000000u | 13}); // highlight
    check.setForeColor(OleColor{0x0000C0});
    QVERIFY(check.setProperty("Value", int(Checked)));
    check.resize(100, 31);
    check.show();
    QCOMPARE(part(check, "Picture1")->geometry(), QRect(0, 9, 13, 13));
    QCOMPARE(part(check, "Check1")->geometry(), QRect(-2, 0, 102, 31));
    const QImage shot = check.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor face = QApplication::palette().color(QPalette::Highlight);
    QVERIFY(face != QApplication::palette().color(QPalette::Window));
    QCOMPARE(shot.pixelColor(60, 2), face);
    QImage expected(CheckGlyphs::kSize, CheckGlyphs::kSize, QImage::Format_RGB32);
    expected.fill(face);
    QPainter(&expected).drawImage(0, 0, CheckGlyphs::image(CheckLook::Idle, Checked));
    QCOMPARE(shot.copy(0, 9, 13, 13), expected);
    // The caption is drawn right of the box in the fore colour; the inner box is not drawn.
    int captionPixels = 0;
    int strayPixels = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            captionPixels += x >= 13 && qRed(p) >= 0xA0 && qGreen(p) < 0x50 && qBlue(p) < 0x50 ? 1 : 0;
            if (x < 16 && !QRect(0, 9, 13, 13).contains(x, y))
                strayPixels += shot.pixel(x, y) != face.rgb() ? 1 : 0;
        }
    }
    QCOMPARE(strayPixels, 0);
    QVERIFY2(captionPixels >= 20, qPrintable(QString::number(captionPixels)));
    // A system colour number that names no colour draws black.
    check.setBackColor(OleColor{0x80000000u | 4000});
    QCOMPARE(check.grab().toImage().pixelColor(60, 2), QColor(Qt::black));
}

void FlatTickTest::designDataByProgId()
{
    TestConfigHome home;
    RegistryStore store;
    ControlHost host(store, QStringLiteral(APP_DIR));
    QWidget form;
    QFont formFont(QStringLiteral("Sans"), 13);
    form.setFont(formFont);
    QString error;
    auto create = [&](const QString& name) {
        QWidget* control = host.CreateControl(QStringLiteral("FlatTick.Check"), &form, &error);
        if (control)
            control->setObjectName(name);
        return qobject_cast<Check*>(control);
    };
    Check* fresh = create(QStringLiteral("chkPrompt"));
    QVERIFY2(fresh, qPrintable(error));
    QVERIFY(ControlHost::InitProperties(fresh));
    QCOMPARE(fresh->Caption(), QStringLiteral("chkPrompt"));
    QCOMPARE(fresh->Font(), formFont);
    PropertyBag bag;
    QVERIFY(ControlHost::WriteProperties(fresh, bag));
    QCOMPARE(bag.names(), QStringList{"ForeColor"});

    // Everything set, written and read back into a new control; "Check1" as a caption stays.
    QVERIFY(fresh->setProperty("Value", int(Greyed)));
    fresh->setCaption(QStringLiteral("Check1"));
    fresh->setCaptionFont(QFont(QStringLiteral("Serif"), 9));
    fresh->setBackColor(OleColor{0x80000000u | 15});
    fresh->setForeColor(OleColor{0x0000FF});
    fresh->setDisabledColor(OleColor{0x00FF00});
    fresh->setCheckEnabled(false);
    bag = PropertyBag();
    QVERIFY(ControlHost::WriteProperties(fresh, bag));
    QCOMPARE(bag.names(),
             (QStringList{"Value", "Caption", "Enabled", "Font", "ForeColor", "BackColor", "DisabledColor"}));
    Check* loaded = create(QStringLiteral("chkOther"));
    QVERIFY(ControlHost::ReadProperties(loaded, PropertyBag::fromText(bag.toText())));
    for (const char* name : {"Value", "Caption", "Enabled", "Font", "BackColor", "ForeColor", "DisabledColor"})
        QVERIFY2(loaded->property(name) == fresh->property(name), name);
    // Read after Enabled, the fore colour is on the caption until the control is resized.
    QCOMPARE(loaded->captionColor(), OleColor{0x0000FF});
    QCOMPARE(loaded->shownPicture(), QStringLiteral("DisabledGrey"));
    form.show();
    loaded->resize(80, 20);
    QCOMPARE(loaded->captionColor(), OleColor{0x00FF00});

    // A bag without "ForeColor": black once shown, the inner check box's navy until then. Values
    // that are none of the three, however large, leave the box unchecked.
    PropertyBag sparse;
    sparse.WriteProperty(QStringLiteral("Value"), qint64(4294967297));
    Check* bare = create(QStringLiteral("chkBare"));
    QVERIFY(ControlHost::ReadProperties(bare, sparse));
    QCOMPARE(bare->ForeColor(), OleColor{0});
    QCOMPARE(bare->captionColor(), OleColor{0x800000});
    QCOMPARE(bare->property("Value").toInt(), int(Unchecked));
    bare->show();
    bare->resize(80, 20);
    QCOMPARE(bare->captionColor(), OleColor{0});
}

QTEST_MAIN(FlatTickTest)
#include "tst_flattick.moc"
