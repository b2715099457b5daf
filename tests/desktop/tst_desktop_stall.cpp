// An owner that takes the clipboard and never hands over its data must not
// freeze the window, nor keep the next copy of a healthy program out of the list.

#include "desktopfixture.h"
#include "wmping.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
constexpr int kArrive = 10000;
// Far below the five seconds a read on the window's own thread used to block it.
constexpr int kPromptly = 2000;
} // namespace

class DesktopStallTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error())); }
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase() { m_fx.stopSession(); }

    void stalledOwnerFreezesNothing();

private:
    DesktopFixture m_fx;
};

void DesktopStallTest::stalledOwnerFreezesNothing()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    const QStringList windows = m_fx.session().visibleWindows(QStringLiteral("^Stashbox$"));
    QCOMPARE(windows.size(), 1);
    WmPing ping(m_fx.session().display());
    QVERIFY(ping.ping(windows.front(), kArrive) >= 0);

    for (const char* kind : {"text", "picture"}) {
        ClipOwnerProcess& silent = m_fx.newOwner();
        if (QByteArray(kind) == "text")
            silent.offerText(QStringLiteral("never delivered"))
                .neverAnswer(QStringLiteral("UTF8_STRING"))
                .neverAnswer(QStringLiteral("text/plain;charset=utf-8"))
                .neverAnswer(QStringLiteral("text/plain"));
        else
            silent.offer(QStringLiteral("image/png"), QByteArray(64, 'x')).neverAnswer(QStringLiteral("image/png"));
        QVERIFY2(m_fx.start(silent), qPrintable(m_fx.error()));
        QVERIFY2(silent.waitForDataRequest(kArrive), qPrintable(silent.logText()));

        // The read waits for the owner; the window does not.
        const double answer = ping.ping(windows.front(), kPromptly);
        qInfo("%s owner stalled: the window answered a ping in %.1f ms", kind, answer);
        QVERIFY(answer >= 0);

        QElapsedTimer clock;
        clock.start();
        const QString healthy = QStringLiteral("healthy copy after a silent %1 owner").arg(QLatin1String(kind));
        QVERIFY2(m_fx.copyText(healthy), qPrintable(m_fx.error()));
        ProbeState s;
        QVERIFY2(m_fx.waitForTopText(healthy, kPromptly, &s), qPrintable(m_fx.error()));
        qInfo("%s owner stalled: the next copy was in the list after %lld ms", kind, qint64(clock.elapsed()));
        // Nothing of the silent owner, and it was asked once per type.
        QVERIFY(!s.texts().contains(QStringLiteral("never delivered")));
        QVERIFY2(s.consistent(), qPrintable(s.describe()));
        QVERIFY2(silent.repeatedTargets().isEmpty(), qPrintable(silent.logText()));
    }

    // An owner that answers a read given up meanwhile gets no X error for it (which would end it).
    ClipOwnerProcess& slow = m_fx.newOwner();
    slow.offerText(QStringLiteral("slow")).delayEachAnswer(500);
    QVERIFY2(m_fx.start(slow), qPrintable(m_fx.error()));
    QVERIFY2(slow.waitForRequest(QStringLiteral("TARGETS"), kArrive), qPrintable(slow.logText()));
    QVERIFY2(m_fx.copyText(QStringLiteral("after the slow one")), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("after the slow one"), kPromptly, &s), qPrintable(m_fx.error()));
    QTRY_VERIFY_WITH_TIMEOUT(!slow.isRunning(), kArrive);
    QCOMPARE(slow.exitCode(), 0);
    QCOMPARE(s.count, 3);
}

QTEST_GUILESS_MAIN(DesktopStallTest)
#include "tst_desktop_stall.moc"
