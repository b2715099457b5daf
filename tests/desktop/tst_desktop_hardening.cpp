// Ending and acting in the middle of things: a signal while a box or the options page is open, and a
// copy from another program while the item menu is open.

#include "desktopfixture.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <csignal>

namespace {
constexpr int kArrive = 10000;
} // namespace

class DesktopHardeningTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error())); }
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase() { m_fx.stopSession(); }

    void signalWhileTheWelcomeBoxIsOpen();
    void signalWhileTheOptionsPageIsOpen();
    void deleteItemAfterACopyArrivedDuringTheMenu();

private:
    bool copyAll(const QStringList& texts);
    // SIGTERM ends the program within a second; the next start has `texts` again.
    void terminateAndRestart(const QStringList& texts);
    bool waitForMenu();

    DesktopFixture m_fx;
};

bool DesktopHardeningTest::copyAll(const QStringList& texts)
{
    for (const QString& t : texts)
        if (!m_fx.copyText(t) || !m_fx.waitForTopText(t, kArrive))
            return false;
    return true;
}

void DesktopHardeningTest::terminateAndRestart(const QStringList& texts)
{
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(m_fx.app().pid()), SIGTERM);
    while (m_fx.app().isAlive() && clock.elapsed() < 1000)
        QThread::msleep(20);
    QVERIFY2(!m_fx.app().isAlive(), "still running a second after SIGTERM");
    qInfo("ended %lld ms after SIGTERM", clock.elapsed());
    QCOMPARE(m_fx.app().exitDescription().section(QLatin1Char(' '), 0, 3), QStringLiteral("exited with status 0"));
    QVERIFY(m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$")).isEmpty());

    QString why;
    QVERIFY2(m_fx.app().restart(&why), qPrintable(why));
    ProbeState s;
    QVERIFY2(m_fx.app().waitFor([&texts](const ProbeState& st) { return st.texts() == texts; }, kArrive, &s),
             qPrintable(s.describe()));
}

void DesktopHardeningTest::signalWhileTheWelcomeBoxIsOpen()
{
    QVERIFY2(m_fx.startApp({}, false), qPrintable(m_fx.error()));
    QTRY_VERIFY_WITH_TIMEOUT(!m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$")).isEmpty(), kArrive);
    // Copies made while it is open are taken all the same.
    QVERIFY2(copyAll({QStringLiteral("before the box was read"), QStringLiteral("still unread")}),
             qPrintable(m_fx.error()));
    terminateAndRestart({QStringLiteral("still unread"), QStringLiteral("before the box was read")});
}

void DesktopHardeningTest::signalWhileTheOptionsPageIsOpen()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    QVERIFY2(copyAll({QStringLiteral("one"), QStringLiteral("two")}), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Command5"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.controls.value(QStringLiteral("Command5")).center()));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.controls.contains(QStringLiteral("Options")); },
                                kArrive, &s),
             qPrintable(s.describe()));
    terminateAndRestart({QStringLiteral("two"), QStringLiteral("one")});
}

bool DesktopHardeningTest::waitForMenu()
{
    // The program's visible windows: the main window, and the menu once it is up.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kArrive) {
        const XSession::Result found = m_fx.session().run(QStringLiteral("xdotool"),
                                                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                           QStringLiteral("--pid"), QString::number(m_fx.app().pid())});
        if (QString::fromLatin1(found.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() >= 2)
            return true;
        QThread::msleep(100);
    }
    return m_fx.fail(QStringLiteral("no menu came up"));
}

void DesktopHardeningTest::deleteItemAfterACopyArrivedDuringTheMenu()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    QVERIFY2(copyAll({QStringLiteral("on row 2"), QStringLiteral("on row 1"), QStringLiteral("on row 0")}),
             qPrintable(m_fx.error()));
    ProbeState s = *m_fx.app().state();
    // Pick the row-2 item, then its row's arrow button.
    QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.rows[2].screen.center()));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.rows[2].heightTwips == 1020; }, kArrive, &s),
             qPrintable(s.describe()));
    const QRect row = s.rows[2].screen;
    QVERIFY(m_fx.session().click(QPoint(row.right() - 8, row.top() + 7)));
    QVERIFY2(waitForMenu(), qPrintable(m_fx.error()));
    // Another program copies while the menu is open; then "Delete Item", the fourth entry.
    QVERIFY2(copyAll({QStringLiteral("arrived meanwhile")}), qPrintable(m_fx.error()));
    for (const char* key : {"Down", "Down", "Down", "Down", "Return"})
        m_fx.session().run(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(key)});
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 3; }, kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.texts(), QStringList({"arrived meanwhile", "on row 0", "on row 1"}));
}

QTEST_GUILESS_MAIN(DesktopHardeningTest)
#include "tst_desktop_hardening.moc"
