#include "placement.h"
#include "scripteddialogs.h"
#include "summon.h"
#include "traymenu.h"

#include <QTest>

#include <functional>

namespace {
// Records what the placement does to the window, one line per call.
class RecordingWindow final : public PlacementWindow
{
public:
    QStringList calls;
    int x = 0;
    int y = 0;
    std::function<void()> onEvents;

    int leftTwips() const override { return x; }
    int topTwips() const override { return y; }
    void setLeftTwips(int twips) override
    {
        x = twips;
        calls << QStringLiteral("left %1").arg(twips);
    }
    void setTopTwips(int twips) override
    {
        y = twips;
        calls << QStringLiteral("top %1").arg(twips);
    }
    void letEventsRun() override
    {
        if (onEvents)
            onEvents();
    }
    void SetTopmost(bool on) override { calls << QStringLiteral("topmost %1").arg(on); }
    void setShown(bool on) override { calls << QStringLiteral("visible %1").arg(on); }
    void showForm() override { calls << QStringLiteral("show"); }
    void relayList() override { calls << QStringLiteral("relay"); }
    void loseNameBox() override { calls << QStringLiteral("lose"); }
    void TrayZoom(bool fromTray) override { calls << QStringLiteral("zoom %1").arg(fromTray); }
    void setTrayIcon(const QString& path) override { calls << QStringLiteral("icon ") + path; }
    void addToTray(const QString& toolTip) override { calls << QStringLiteral("tray ") + toolTip; }

    QList<int> lefts() const
    {
        QList<int> out;
        for (const QString& c : calls)
            if (c.startsWith(QLatin1String("left ")))
                out << c.mid(5).toInt();
        return out;
    }
};

struct World
{
    RecordingWindow window;
    QString hideMode = QStringLiteral("w");
    qint16 speed = 30;
    Placement placement{window, hideMode, speed, QStringLiteral("/opt/sb/clipboard.ico")};

    World() { placement.setGeometry({3915, 5850, 19200, 15360}); }
};
} // namespace

class PlacementTest : public QObject
{
    Q_OBJECT
private slots:
    void slidesOutAndBackInSteps();
    void aSlideDuringASlideDoesNothing();
    void aSpeedOfZeroStillEnds();
    void draggedWindowIsKeptOnScreen_data();
    void draggedWindowIsKeptOnScreen();
    void trayModeHidesWithoutZoomAtStartThenZooms();
    void trayMenuRunsTheChosenEntry();
    void summonedPanelTakesAndGivesBackTheKeyboard();
};

void PlacementTest::slidesOutAndBackInSteps()
{
    World w;
    w.placement.placeAtStart();
    QCOMPARE(w.window.x, 170 - 3915);
    QCOMPARE(w.window.y, 15360 / 2 - 5850 / 2);
    QVERIFY(!w.placement.isExtended());

    int stepsWhileAnimating = 0;
    w.window.onEvents = [&] { stepsWhileAnimating += w.placement.isAnimating(); };
    w.window.calls.clear();
    w.placement.Extend();
    QList<int> lefts = w.window.lefts();
    QCOMPARE(lefts.first(), -3745);
    QCOMPARE(lefts.size(), 58 + 1);
    QCOMPARE(lefts[1] - lefts[0], 60);
    QCOMPARE(lefts[57], -325);
    QCOMPARE(lefts.last(), -300);
    QCOMPARE(stepsWhileAnimating, 58);
    QVERIFY(w.placement.isExtended() && !w.placement.isAnimating());
    QCOMPARE(w.window.calls.first(), QStringLiteral("topmost 1"));
    QCOMPARE(w.window.calls.mid(w.window.calls.size() - 2), QStringList({"relay", "show"}));

    // Out already: only the topmost call.
    w.window.calls.clear();
    w.placement.Extend();
    QCOMPARE(w.window.calls, QStringList({"topmost 1"}));

    w.window.calls.clear();
    w.placement.Retract();
    lefts = w.window.lefts();
    QCOMPARE(w.window.calls.mid(0, 2), QStringList({"lose", "topmost 1"}));
    QCOMPARE(lefts.first(), -300);
    QCOMPARE(lefts[0] - lefts[1], 120);
    QCOMPARE(lefts.size(), 29 + 1);
    QCOMPARE(lefts[28], -3660);
    QCOMPARE(lefts.last(), -3745);
    QVERIFY(!w.placement.isExtended());

    w.window.calls.clear();
    w.placement.Retract();
    QCOMPARE(w.window.calls, QStringList({"lose", "topmost 1"}));
}

void PlacementTest::aSlideDuringASlideDoesNothing()
{
    World w;
    w.placement.placeAtStart();
    bool inner = true;
    w.window.onEvents = [&] {
        if (inner) {
            inner = false;
            w.placement.Extend();
            w.placement.Retract();
        }
    };
    w.window.calls.clear();
    w.placement.Extend();
    QCOMPARE(w.window.lefts().size(), 59);
    QCOMPARE(w.window.x, -300);

    // Retracting: the pointer over the handle meanwhile does not start a slide out.
    inner = true;
    w.window.onEvents = [&] {
        if (inner) {
            inner = false;
            w.placement.Extend();
        }
    };
    w.window.calls.clear();
    w.placement.Retract();
    QCOMPARE(w.window.lefts().size(), 30);
    QCOMPARE(w.window.x, -3745);
    QVERIFY(!w.placement.isExtended());

    // Once in, the next one slides out.
    w.placement.Extend();
    QCOMPARE(w.window.x, -300);
}

void PlacementTest::aSpeedOfZeroStillEnds()
{
    World w;
    w.speed = 0;
    w.placement.placeAtStart();
    w.window.calls.clear();
    w.placement.Extend();
    QCOMPARE(w.window.lefts(), QList<int>({-300}));
    w.speed = -5;
    w.placement.Retract();
    QCOMPARE(w.window.x, -3745);
}

void PlacementTest::draggedWindowIsKeptOnScreen_data()
{
    QTest::addColumn<QPoint>("dropped");
    QTest::addColumn<QPoint>("kept");
    QTest::newRow("a little off the left edge stays") << QPoint(-305, 100) << QPoint(-305, 100);
    QTest::newRow("further goes back to the slid-out place") << QPoint(-400, 100) << QPoint(-300, 100);
    QTest::newRow("off the bottom right corner") << QPoint(17000, 12000) << QPoint(19200 - 3915, 15360 - 5850);
    QTest::newRow("off the top") << QPoint(0, -90) << QPoint(0, 0);
}

void PlacementTest::draggedWindowIsKeptOnScreen()
{
    QFETCH(QPoint, dropped);
    QFETCH(QPoint, kept);
    World w;
    w.window.x = dropped.x();
    w.window.y = dropped.y();
    w.placement.clampAfterDrag();
    QCOMPARE(QPoint(w.window.x, w.window.y), kept);
}

void PlacementTest::trayModeHidesWithoutZoomAtStartThenZooms()
{
    World w;
    w.hideMode = QStringLiteral("s");
    w.placement.placeAtStart();
    w.placement.startInTray();
    QCOMPARE(w.window.calls,
             QStringList({"visible 0", "left 15115", "top 4755", "visible 0", "lose", "icon /opt/sb/clipboard.ico",
                          "tray Stashbox", "visible 0"}));
    QVERIFY(!w.placement.isExtended());

    w.window.calls.clear();
    w.placement.Extend();
    QVERIFY(w.window.calls.isEmpty());

    w.placement.showFromTray();
    QCOMPARE(w.window.calls, QStringList({"zoom 1", "visible 1", "topmost 1", "show"}));
    // Out already: to the front, without the zoom.
    w.window.calls.clear();
    w.placement.showFromTray();
    QCOMPARE(w.window.calls, QStringList({"show"}));

    // Later retracts zoom; a chosen tray moves the window back to its tray place once.
    w.window.x = 700;
    w.placement.requestRecentre();
    w.window.calls.clear();
    w.placement.Retract();
    QVERIFY(w.window.calls.contains("zoom 0"));
    QCOMPARE(w.window.x, 15115);
    w.window.x = 700;
    w.placement.showFromTray();
    w.placement.Retract();
    QCOMPARE(w.window.x, 700);

    QCOMPARE(Placement::trayLine(QRect(1000, 990, 75, 24)), QRect(1038, 990, 1, 24));

    // The full-list warning brings it back from the tray.
    w.window.calls.clear();
    w.placement.bringIntoView();
    QCOMPARE(w.window.calls.first(), QStringLiteral("zoom 1"));
    QVERIFY(w.placement.isExtended());
}

void PlacementTest::trayMenuRunsTheChosenEntry()
{
    ScriptedDialogs dialogs;
    QStringList ran;
    const auto note = [&ran](const char* what) { return [&ran, what] { ran << QString::fromLatin1(what); }; };
    QImage pic(13, 13, QImage::Format_ARGB32);
    TrayMenu menu(dialogs, {pic, pic, pic, pic},
                  {note("show"), note("options"), note("about"), note("help"), note("exit")});
    dialogs.menuChoices << 1002 << 1001 << 1000 << 1004 << 1003 << 0;
    for (int i = 0; i < 6; ++i)
        menu.open(QPoint(500, 1000));
    QCOMPARE(ran, QStringList({"show", "options", "about", "help", "exit"}));

    const ScriptedDialogs::Menu& shown = dialogs.menus.first();
    QVERIFY(shown.rightAligned);
    QCOMPARE(shown.globalPos, QPoint(500, 1000));
    QCOMPARE(TrayMenu::toolTip(QStringLiteral("5  ITEMS")), QStringLiteral(" Stashbox - 5  ITEMS "));
}

void PlacementTest::summonedPanelTakesAndGivesBackTheKeyboard()
{
    struct Desktop final : SummonWindow
    {
        Placement* placement = nullptr;
        bool keyboard = false;
        quintptr focused = 42;
        QList<quintptr> givenTo;
        void takeKeyboard() override { keyboard = true; }
        quintptr focusedWindow() const override { return keyboard ? 0 : focused; }
        void giveFocusTo(quintptr window) override
        {
            keyboard = false;
            givenTo << window;
        }
        void retract() override { placement->Retract(); }
    };
    World w;
    w.placement.placeAtStart();
    Desktop desktop;
    desktop.placement = &w.placement;
    Summon summon(w.placement, desktop);

    // Out with the keyboard; an item picked sends it back, and the keyboard to where it was.
    summon.toggle();
    QVERIFY(w.placement.isExtended() && desktop.keyboard && summon.isSummoned());
    summon.itemPicked();
    QVERIFY(!w.placement.isExtended() && !summon.isSummoned());
    QCOMPARE(desktop.givenTo, QList<quintptr>{42});

    // Out by the mouse, it stays when an item is picked.
    w.placement.Extend();
    summon.itemPicked();
    QVERIFY(w.placement.isExtended());
    summon.hide();
    QVERIFY(!w.placement.isExtended());
    QCOMPARE(desktop.givenTo.size(), 1);

    // The user turned to another window meanwhile: that one keeps the keyboard.
    summon.show();
    desktop.keyboard = false;
    summon.toggle();
    QVERIFY(!w.placement.isExtended());
    QCOMPARE(desktop.givenTo.size(), 1);

    // In tray mode, shown from the tray and hidden into it.
    w.hideMode = QStringLiteral("s");
    summon.toggle();
    QVERIFY(w.placement.isExtended() && desktop.keyboard);
    QVERIFY(w.window.calls.contains(QStringLiteral("zoom 1")));
    summon.toggle();
    QVERIFY(!w.placement.isExtended());
    QCOMPARE(desktop.givenTo, (QList<quintptr>{42, 42}));
}

QTEST_GUILESS_MAIN(PlacementTest)
#include "tst_placement.moc"
