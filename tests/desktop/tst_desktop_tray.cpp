// The tray-icon control on a real notification area (trayer): its icon appears and goes, and the
// pointer moving over it and a real click on it become the control's events.
#include "managedprocess.h"
#include "xsession.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <X11/Xlib.h>

namespace {

constexpr int kWait = 10000;
const QString kTip = QStringLiteral("Zqtray desktop test");

} // namespace

class DesktopTrayTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void iconInTheTrayRaisesEvents();

private:
    // The icon's window, when it is embedded in trayer's window; empty otherwise.
    QString iconInTray();
    QRect geometry(const QString& window);

    XSession m_session;
};

void DesktopTrayTest::initTestCase()
{
    QString error;
    QVERIFY2(m_session.start(&error), qPrintable(error));
}

void DesktopTrayTest::cleanup()
{
    if (QTest::currentTestFailed())
        m_session.screenshot(QStringLiteral("desktop_tray_failed.png"));
    m_session.stopHelpers();
}

void DesktopTrayTest::cleanupTestCase()
{
    m_session.stop();
}

QString DesktopTrayTest::iconInTray()
{
    return m_session.trayIcon(QLatin1Char('^') + kTip + QLatin1Char('$'));
}

QRect DesktopTrayTest::geometry(const QString& window)
{
    const XSession::Result r = m_session.run(QStringLiteral("xdotool"),
                                             {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QMap<QString, int> v;
    for (const QByteArray& line : r.output.split('\n')) {
        const QList<QByteArray> kv = line.split('=');
        if (kv.size() == 2)
            v.insert(QString::fromLatin1(kv[0]), kv[1].toInt());
    }
    return QRect(v.value(QStringLiteral("X")), v.value(QStringLiteral("Y")), v.value(QStringLiteral("WIDTH")),
                 v.value(QStringLiteral("HEIGHT")));
}

void DesktopTrayTest::iconInTheTrayRaisesEvents()
{
    QString error;
    ManagedProcess* host =
        m_session.startHelper(QStringLiteral(TRAY_HOST), {QStringLiteral(APP_DIR), kTip}, &error, true);
    QVERIFY2(host, qPrintable(error));
    QVERIFY2(host->waitForLine("added", kWait), qPrintable(host->describeExit()));

    QString icon;
    QTRY_VERIFY_WITH_TIMEOUT(!(icon = iconInTray()).isEmpty(), kWait);
    QRect place;
    // trayer sometimes gives the icon a 1-pixel-wide slot; the pointer still finds it there.
    QTRY_VERIFY_WITH_TIMEOUT(!(place = geometry(icon)).isEmpty(), kWait);

    // The icon's window says it is an XEmbed client (version 0) that shows once embedded.
    const QByteArray info =
        m_session.run(QStringLiteral("xprop"), {QStringLiteral("-id"), icon, QStringLiteral("_XEMBED_INFO")}).output;
    QVERIFY2(info.contains("_XEMBED_INFO(_XEMBED_INFO) = 0x0, 0x1"), info.constData());
    // The notification area is the window that owns the tray selection, where Xlib finds it too.
    Display* display = XOpenDisplay(m_session.display().toLocal8Bit().constData());
    QVERIFY(display);
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False));
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = 0;
    const bool found = owner && XGetWindowAttributes(display, owner, &attributes)
        && XTranslateCoordinates(display, owner, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    XCloseDisplay(display);
    QVERIFY(found);
    host->write("area\n");
    QByteArray area;
    QVERIFY(host->waitForLine("area", kWait, &area));
    QCOMPARE(area,
             QStringLiteral("area %1 %2 %3 %4").arg(x).arg(y).arg(attributes.width).arg(attributes.height).toUtf8());

    QVERIFY(m_session.moveMouse(place.center()));
    QVERIFY(host->waitForLine("MouseMove", kWait));
    QVERIFY(m_session.click(place.center()));
    QByteArray line;
    QVERIFY(host->waitForLine("LeftButtonClick", kWait));
    QVERIFY(host->waitForLine("", kWait, &line));
    QCOMPARE(line, QByteArray("MouseMove"));

    host->write("remove\n");
    QVERIFY(host->waitForLine("removed", kWait));
    QTRY_VERIFY_WITH_TIMEOUT(iconInTray().isEmpty(), kWait);
    // Back again, and still a real tray icon.
    host->write("add\n");
    QTRY_VERIFY_WITH_TIMEOUT(!iconInTray().isEmpty(), kWait);
    host->write("quit\n");
    QVERIFY(host->waitForFinished(kWait));
    QTRY_VERIFY_WITH_TIMEOUT(iconInTray().isEmpty(), kWait);
}

QTEST_GUILESS_MAIN(DesktopTrayTest)
#include "tst_desktop_tray.moc"
