// Where the window is on a real desktop: retracted at the left screen edge with only its strip on
// screen, slid out by the pointer over the strip and back by the hide button or, with auto-hide,
// by another program becoming active; in tray mode hidden behind an icon that a click brings it
// back from. Geometry is read from the X server, not from the program.

#include "desktopfixture.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
constexpr int kArrive = 10000;
// 3915 x 5850 twips at 15 twips per pixel, centred on the 1024-pixel-high screen.
constexpr int kWidth = 261;
constexpr int kHeight = 390;
constexpr int kTop = 317;
// Retracted: 170 - 3915 twips; out: -300 twips; tray mode: 19200 - 3915 - 170 twips.
constexpr int kRetracted = -250;
constexpr int kOut = -20;
constexpr int kTrayModeLeft = 1008;
} // namespace

class DesktopPlacementTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error())); }
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase() { m_fx.stopSession(); }

    void slidesOutOverTheStripAndBackByTheHideButton();
    void autoHideSlidesBackWhenAnotherProgramIsActivated();
    void trayModeComesBackFromTheIconWithTheZoom();

private:
    QStringList search(const QStringList& args);
    // The main window's place on the screen as the X server has it; null when it is not shown.
    QRect windowRect();
    QRect rectOf(const QString& window);
    // The icon's name is its tooltip, which the pointer over it changes.
    QString iconInTray() { return m_fx.session().trayIcon(QStringLiteral("Stashbox")); }
    bool click(const QString& control);

    DesktopFixture m_fx;
};

QStringList DesktopPlacementTest::search(const QStringList& args)
{
    const XSession::Result r =
        m_fx.session().run(QStringLiteral("xdotool"), QStringList{QStringLiteral("search")} + args);
    return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QRect DesktopPlacementTest::rectOf(const QString& window)
{
    const XSession::Result r = m_fx.session().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    const QString out = QString::fromUtf8(r.output);
    const auto value = [&out](const char* name) {
        const QRegularExpressionMatch m =
            QRegularExpression(QLatin1String(name) + QStringLiteral(":\\s+(-?\\d+)")).match(out);
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    };
    if (!out.contains(QLatin1String("IsViewable")))
        return {};
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
}

QRect DesktopPlacementTest::windowRect()
{
    for (const QString& id :
         search({QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral("^Stashbox$")})) {
        const QRect r = rectOf(id);
        if (r.size() == QSize(kWidth, kHeight))
            return r;
    }
    return {};
}

bool DesktopPlacementTest::click(const QString& control)
{
    const auto s = m_fx.app().state();
    return s && s->controls.contains(control) && m_fx.session().click(s->controls.value(control).center());
}

void DesktopPlacementTest::slidesOutOverTheStripAndBackByTheHideButton()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    QTRY_COMPARE_WITH_TIMEOUT(windowRect(), QRect(kRetracted, kTop, kWidth, kHeight), kArrive);

    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Command2"), &s), qPrintable(m_fx.error()));
    QTRY_COMPARE_WITH_TIMEOUT(windowRect().topLeft(), QPoint(kOut, kTop), kArrive);
    QVERIFY(m_fx.app().waitFor([](const ProbeState& st) { return st.extended; }, kArrive, &s));

    QVERIFY(click(QStringLiteral("Command2")));
    QTRY_COMPARE_WITH_TIMEOUT(windowRect().topLeft(), QPoint(kRetracted, kTop), kArrive);
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return !st.extended; }, kArrive, &s),
             qPrintable(s.describe()));
}

void DesktopPlacementTest::autoHideSlidesBackWhenAnotherProgramIsActivated()
{
    QVERIFY2(m_fx.startApp({{QStringLiteral("AutoHide"), QStringLiteral("True")}}), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("lblItemCount"), &s), qPrintable(m_fx.error()));
    // The user clicks into the window, then into another program.
    QVERIFY(click(QStringLiteral("lblItemCount")));
    QTRY_COMPARE_WITH_TIMEOUT(windowRect().topLeft(), QPoint(kOut, kTop), kArrive);
    QVERIFY(m_fx.session().startHelper(
        QStringLiteral("xmessage"),
        {QStringLiteral("-geometry"), QStringLiteral("+600+300"), QStringLiteral("another program")}));
    QStringList other;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(other = search({QStringLiteral("--onlyvisible"), QStringLiteral("--class"), QStringLiteral("Xmessage")}))
             .isEmpty(),
        kArrive);
    m_fx.session().run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), other.first()});
    QTRY_COMPARE_WITH_TIMEOUT(windowRect().topLeft(), QPoint(kRetracted, kTop), kArrive);
}

void DesktopPlacementTest::trayModeComesBackFromTheIconWithTheZoom()
{
    QVERIFY2(m_fx.startApp({{QStringLiteral("ScreenSide"), QStringLiteral("False")}}, false), qPrintable(m_fx.error()));
    QStringList boxes;
    QTRY_VERIFY_WITH_TIMEOUT(!(boxes = m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$"))).isEmpty(), kArrive);
    QVERIFY(m_fx.session().pressKey(boxes.first(), QStringLiteral("Return")));

    // Hidden into the tray at start, without the zoom.
    QString icon;
    QTRY_VERIFY_WITH_TIMEOUT(!(icon = iconInTray()).isEmpty(), kArrive);
    ProbeState s;
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return !st.controls.contains(QStringLiteral("frmTrove")); },
                                kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.trayZooms, 0);
    QVERIFY(windowRect().isNull());

    // A real click on the icon brings it back, zooming out of the tray, at its tray-mode place.
    QRect place;
    QTRY_VERIFY_WITH_TIMEOUT(!(place = rectOf(icon)).isEmpty(), kArrive);
    QVERIFY(m_fx.session().click(place.center()));
    QVERIFY2(m_fx.app().waitFor(
                 [](const ProbeState& st) { return st.extended && st.controls.contains(QStringLiteral("frmTrove")); },
                 kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.trayZooms, 1);
    QTRY_COMPARE_WITH_TIMEOUT(windowRect().topLeft(), QPoint(kTrayModeLeft, kTop), kArrive);

    // The hide button ("  .") puts it into the tray again, this time with the zoom.
    QVERIFY(click(QStringLiteral("Command2")));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return !st.extended && st.trayZooms == 2; }, kArrive, &s),
             qPrintable(s.describe()));
    QTRY_VERIFY_WITH_TIMEOUT(windowRect().isNull(), kArrive);
    QVERIFY(!iconInTray().isEmpty());

    // "Options" on the icon's menu: back with the zoom, and the options page open.
    const QStringList programWindows{QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                                     QStringLiteral("stashbox")};
    const qsizetype before = search(programWindows).size();
    QVERIFY(m_fx.session().click(place.center(), 3));
    QTRY_VERIFY_WITH_TIMEOUT(search(programWindows).size() > before, kArrive);
    m_fx.session().run(
        QStringLiteral("xdotool"),
        {QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
    QVERIFY2(m_fx.app().waitFor(
                 [](const ProbeState& st) { return st.extended && st.controls.contains(QStringLiteral("Options")); },
                 kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.trayZooms, 3);
}

QTEST_GUILESS_MAIN(DesktopPlacementTest)
#include "tst_desktop_placement.moc"
