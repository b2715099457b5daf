// A kill at any moment costs at most the last two seconds of the list: the
// next start brings back every item, pictures included.

#include "desktopfixture.h"
#include "sampleimages.h"

#include <QThread>
#include <QtTest>

#include <csignal>

namespace {
constexpr int kArrive = 10000;
} // namespace

class DesktopCrashTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error())); }
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase() { m_fx.stopSession(); }

    void listSurvivesKill();

private:
    DesktopFixture m_fx;
};

void DesktopCrashTest::listSurvivesKill()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    const QList<QImage> pictures{SampleImages::pattern(QSize(90, 60), 31), SampleImages::noise(QSize(300, 200), 32)};
    ProbeState before;
    for (int i = 0; i < 7; ++i) {
        ClipOwnerProcess& owner = m_fx.newOwner();
        if (i == 2 || i == 5)
            owner.offer(QStringLiteral("image/png"), SampleImages::encode(pictures[i == 2 ? 0 : 1]));
        else
            owner.offerText(QStringLiteral("text number %1").arg(i));
        QVERIFY2(m_fx.start(owner), qPrintable(m_fx.error()));
        QVERIFY2(m_fx.app().waitFor([i](const ProbeState& st) { return st.count == i + 1; }, kArrive, &before),
                 qPrintable(before.describe()));
    }
    QThread::msleep(2000);
    QCOMPARE(::kill(pid_t(m_fx.app().pid()), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_fx.app().isAlive(), kArrive);

    QString why;
    QVERIFY2(m_fx.app().restart(&why), qPrintable(why));
    ProbeState after;
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 7; }, kArrive, &after),
             qPrintable(after.describe()));
    QCOMPARE(after.texts(), before.texts());
    for (size_t r = 0; r < 7; ++r) {
        QCOMPARE(after.rows[r].kind, before.rows[r].kind);
        QCOMPARE(after.rows[r].data, before.rows[r].data);
        QCOMPARE(QSize(after.rows[r].pictureWidth, after.rows[r].pictureHeight),
                 QSize(before.rows[r].pictureWidth, before.rows[r].pictureHeight));
    }
    QCOMPARE(after.rows[1].pictureWidth, 300);
    QCOMPARE(after.rows[4].pictureWidth, 90);
}

QTEST_GUILESS_MAIN(DesktopCrashTest)
#include "tst_desktop_crash.moc"
