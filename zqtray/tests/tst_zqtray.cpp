// The tray-icon control: the records it hands to the shell, its events, flashing, pictures and
// design data, created by ProgID as the program's forms create it.
#include "controlhost.h"
#include "iconhandles.h"
#include "notifyiconport.h"
#include "notifyiconshell.h"
#include "propertybag.h"
#include "testconfighome.h"
#include "traynotification.h"
#include "zqtray.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

quint32 field(const QByteArray& record, int offset)
{
    return qFromLittleEndian<quint32>(record.constData() + offset);
}

QByteArray tipField(const QByteArray& text)
{
    return text + QByteArray(64 - text.size(), '\0');
}

// What the shell shows, without a desktop.
struct FakeView final : TrayIconView
{
    QImage image;
    QString tip;
    void setIcon(const QImage& i) override { image = i; }
    void setToolTip(const QString& t) override { tip = t; }
};

QImage filled(QRgb colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class ZqtrayTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordsForAddModifyAndDelete();
    void notificationsBecomeEvents();
    void notificationDuringAHandlerIsDropped();
    void flashingAlternatesAndStoppingRestores();
    void picturesSizeAndDesignData();
    void shellKeepsAValidPicture();

private:
    void recordEvents(Zqtray& tray);
    void notify(Zqtray& tray, quint32 code);

    ScriptedNotifyIcon m_shell;
    QStringList m_events;
};

void ZqtrayTest::init()
{
    m_shell.calls.clear();
    m_events.clear();
    NotifyIconPort::setCurrent(&m_shell);
}

void ZqtrayTest::cleanup()
{
    NotifyIconPort::setCurrent(nullptr);
}

void ZqtrayTest::recordEvents(Zqtray& tray)
{
    for (const char* name : {"LeftButtonClick", "RightButtonClick", "MouseMove"})
        ControlHost::connectEvent(&tray, name, &tray, [this, name] { m_events.append(QLatin1String(name)); });
}

void ZqtrayTest::notify(Zqtray& tray, quint32 code)
{
    QVERIFY(TrayNotificationEvent::post(quint32(tray.winId()), shell::WM_MOUSEMOVE, code));
    QCoreApplication::sendPostedEvents(&tray);
}

void ZqtrayTest::recordsForAddModifyAndDelete()
{
    auto tray = std::make_unique<Zqtray>();
    const quint32 hWnd = quint32(tray->winId());
    // Before the first add the tooltip only goes out as a change of an icon that is not there.
    tray->setToolTipText(QStringLiteral("early"));
    QCOMPARE(m_shell.calls.size(), 1);
    QCOMPARE(m_shell.calls[0].first, shell::NIM_MODIFY);
    QCOMPARE(field(m_shell.calls[0].second, 8), 0u);
    QVERIFY(tray->SystemTray_Icon(QStringLiteral(APP_DIR "/clipboard.ico")));

    tray->AddToSystemTray(this, QStringLiteral("Stashbox"));
    QCOMPARE(tray->ToolTipText(), QStringLiteral("Stashbox"));
    const QByteArray add = m_shell.calls.last().second;
    QCOMPARE(m_shell.calls.last().first, shell::NIM_ADD);
    QCOMPARE(add.size(), 88);
    QCOMPARE((QList<quint32>{field(add, 0), field(add, 4), field(add, 8), field(add, 12), field(add, 16)}),
             (QList<quint32>{88, hWnd, 1, 7, 0x200}));
    QCOMPARE(IconHandles::image(field(add, 20)).size(), QSize(32, 32));
    QCOMPARE(add.mid(24), tipField("Stashbox"));

    const QString longTip = QString(60, QLatin1Char('x')) + QStringLiteral("1234");
    tray->setToolTipText(longTip);
    const QByteArray modify = m_shell.calls.last().second;
    QCOMPARE(m_shell.calls.last().first, shell::NIM_MODIFY);
    QCOMPARE(modify.first(24), add.first(24));
    QCOMPARE(modify.mid(24), tipField(longTip.left(63).toLatin1()));
    QCOMPARE(tray->ToolTipText(), longTip);
    // Cut at a character, never inside one.
    NotifyIconData data;
    data.setTip(QString(62, QLatin1Char('x')) + QStringLiteral("é"));
    QCOMPARE(data.tip(), QString(62, QLatin1Char('x')));

    const int before = m_shell.calls.size();
    tray->RemoveFromSystemTray();
    tray->RemoveFromSystemTray();
    QCOMPARE(m_shell.calls.size(), before + 2);
    for (int i = before; i < before + 2; ++i) {
        QCOMPARE(m_shell.calls[i].first, shell::NIM_DELETE);
        QCOMPARE(m_shell.calls[i].second.first(12), add.first(12));
    }
    // Going away deletes the icon once more, and a control that never added one deletes too.
    tray.reset();
    QCOMPARE(m_shell.calls.last().first, shell::NIM_DELETE);
    Zqtray().winId();
    QCOMPARE(m_shell.calls.last().first, shell::NIM_DELETE);
    QCOMPARE(field(m_shell.calls.last().second, 8), 1u);
}

void ZqtrayTest::notificationsBecomeEvents()
{
    Zqtray tray;
    recordEvents(tray);
    notify(tray, shell::WM_LBUTTONUP);
    QVERIFY(m_events.isEmpty());

    tray.AddToSystemTray(nullptr, QStringLiteral("Stashbox"));
    for (quint32 code : {shell::WM_LBUTTONDOWN, shell::WM_LBUTTONUP, shell::WM_LBUTTONDBLCLK, shell::WM_LBUTTONUP,
                         shell::WM_RBUTTONUP, shell::WM_MOUSEMOVE})
        notify(tray, code);
    QCOMPARE(m_events,
             (QStringList{"MouseMove", "LeftButtonClick", "MouseMove", "MouseMove", "LeftButtonClick", "MouseMove",
                          "RightButtonClick", "MouseMove", "MouseMove"}));
    QCOMPARE(tray.lastNotificationCode(), qint32(shell::WM_MOUSEMOVE));
    // Removed from the tray, the control still counts its clicks once the icon is back.
    m_events.clear();
    tray.RemoveFromSystemTray();
    notify(tray, shell::WM_RBUTTONUP);
    QCOMPARE(m_events, (QStringList{"RightButtonClick", "MouseMove"}));
}

void ZqtrayTest::notificationDuringAHandlerIsDropped()
{
    auto* tray = new Zqtray;
    tray->AddToSystemTray(nullptr, QString());
    recordEvents(*tray);
    int clicks = 0;
    // The handler runs a nested event loop, as a popup menu does, while another click arrives.
    connect(tray, &Zqtray::RightButtonClick, this, [&] {
        if (++clicks == 1) {
            TrayNotificationEvent::post(quint32(tray->winId()), shell::WM_MOUSEMOVE, shell::WM_RBUTTONUP);
            QCoreApplication::processEvents();
        }
    });
    notify(*tray, shell::WM_RBUTTONUP);
    QCOMPARE(m_events, (QStringList{"RightButtonClick", "MouseMove"}));
    QCOMPARE(tray->lastNotificationCode(), qint32(shell::WM_RBUTTONUP));
    notify(*tray, shell::WM_RBUTTONUP);
    QCOMPARE(clicks, 2);

    // A host that destroys the control in its handler.
    connect(tray, &Zqtray::LeftButtonClick, tray, [tray] { delete tray; });
    QPointer<Zqtray> watch(tray);
    notify(*tray, shell::WM_LBUTTONUP);
    QVERIFY(!watch);
}

void ZqtrayTest::flashingAlternatesAndStoppingRestores()
{
    QTemporaryDir dir;
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(dir.filePath(QStringLiteral("red.png"))));
    Zqtray tray;
    QVERIFY(tray.SystemTray_Icon(QStringLiteral(APP_DIR "/clipboard.ico")));
    QVERIFY(tray.Flasing_Icon(dir.filePath(QStringLiteral("red.png"))));
    tray.AddToSystemTray(nullptr, QString());
    const quint32 normal = field(m_shell.calls.last().second, 20);

    tray.setFlashDelay(100000);
    QCOMPARE(tray.flashDelay(), 32767);
    tray.setFlashDelay(-5);
    QCOMPARE(tray.flashDelay(), 15);
    tray.setFlash(true);
    const int start = m_shell.calls.size();
    QTRY_VERIFY(m_shell.calls.size() >= start + 3);
    tray.setFlash(false);
    QList<quint32> shown;
    for (qsizetype i = start; i < m_shell.calls.size(); ++i)
        shown.append(field(m_shell.calls[i].second, 20));
    const quint32 flasher = shown.first();
    QVERIFY(flasher != normal && flasher != 0);
    for (qsizetype i = 0; i + 1 < shown.size(); ++i)
        QCOMPARE(shown[i], i % 2 == 0 ? flasher : normal);
    QCOMPARE(shown.last(), normal); // the stop
    QCOMPARE(m_shell.calls.last().first, shell::NIM_MODIFY);

    // The first tick after a stop shows the flasher.
    tray.setFlash(true);
    const int again = m_shell.calls.size();
    QTRY_VERIFY(m_shell.calls.size() > again);
    QCOMPARE(field(m_shell.calls[again].second, 20), flasher);
}

void ZqtrayTest::picturesSizeAndDesignData()
{
    TestConfigHome home;
    RegistryStore store;
    ControlHost host(store, QStringLiteral(APP_DIR));
    QString error;
    std::unique_ptr<QWidget> control(host.CreateControl(QStringLiteral("ZqTray_build2.Zqtray"), nullptr, &error));
    QVERIFY2(control, qPrintable(error));
    auto* tray = qobject_cast<Zqtray*>(control.get());
    QVERIFY(tray);

    QVERIFY(tray->SystemTray_Icon(QStringLiteral(APP_DIR "/clipboard.ico")));
    QVERIFY(!tray->SystemTray_Icon(QStringLiteral(APP_DIR "/no such.ico"), &error));
    QVERIFY2(error.contains(QStringLiteral("File not found")), qPrintable(error));
    QCOMPARE(tray->defaultIcon().size(), QSize(32, 32));
    tray->resize(500, 10);
    QCOMPARE(tray->size(), QSize(147, 25));

    QVERIFY(ControlHost::InitProperties(tray));
    QCOMPARE(tray->flashDelay(), 15);
    QVERIFY(tray->setProperty("ToolTipText", QStringLiteral("Stashbox")));
    PropertyBag bag;
    QVERIFY(ControlHost::WriteProperties(tray, bag));
    QCOMPARE(bag.names(), (QStringList{"ToolTipText", "DefaultIcon"}));

    std::unique_ptr<QWidget> loaded(host.CreateControl(QStringLiteral("ZqTray_build2.Zqtray"), nullptr, &error));
    QVERIFY(ControlHost::ReadProperties(loaded.get(), PropertyBag::fromText(bag.toText())));
    QCOMPARE(loaded->property("ToolTipText").toString(), QStringLiteral("Stashbox"));
    QCOMPARE(loaded->property("FlashDelay").toInt(), 700);
    QVERIFY(static_cast<Zqtray*>(loaded.get())->defaultIcon().isNull());
}

void ZqtrayTest::shellKeepsAValidPicture()
{
    std::vector<FakeView*> views;
    NotifyIconShell shell([&views](const QImage& image, const QString& tip, TrayIconView::Notify) {
        auto view = std::make_unique<FakeView>();
        view->image = image;
        view->tip = tip;
        views.push_back(view.get());
        return view;
    });
    NotifyIconPort::setCurrent(&shell);
    const QImage red = filled(qRgb(255, 0, 0));
    const QImage blue = filled(qRgb(0, 0, 255));
    NotifyIconData record;
    record.cbSize = NotifyIconData::kSize;
    record.hWnd = 7;
    record.uID = 1;
    record.uFlags = shell::NIF_ICON | shell::NIF_TIP;
    record.hIcon = IconHandles::add(red);
    record.setTip(QStringLiteral("one"));
    QVERIFY(Shell_NotifyIcon(shell::NIM_ADD, record));
    QVERIFY(!Shell_NotifyIcon(shell::NIM_ADD, record));
    QCOMPARE(int(views.size()), 1);
    // A change takes only the fields its flags name.
    record.uFlags = shell::NIF_TIP;
    record.hIcon = IconHandles::add(blue);
    record.setTip(QStringLiteral("two"));
    QVERIFY(Shell_NotifyIcon(shell::NIM_MODIFY, record));
    QCOMPARE(views[0]->image, red);
    QCOMPARE(views[0]->tip, QStringLiteral("two"));
    record.uFlags = shell::NIF_ICON;
    record.setTip(QStringLiteral("three"));
    QVERIFY(Shell_NotifyIcon(shell::NIM_MODIFY, record));
    QCOMPARE(views[0]->image, blue);
    QCOMPARE(shell.toolTip(7, 1), QStringLiteral("two"));
    QVERIFY(Shell_NotifyIcon(shell::NIM_DELETE, record));
    QVERIFY(!Shell_NotifyIcon(shell::NIM_DELETE, record));
    QVERIFY(!Shell_NotifyIcon(shell::NIM_MODIFY, record));

    // The control gets a new picture, then the tooltip write the program makes on every pointer
    // move: the icon keeps showing the picture it had until the next add.
    QTemporaryDir dir;
    const QString second = dir.filePath(QStringLiteral("second.png"));
    QVERIFY(blue.save(second));
    {
        Zqtray tray;
        QVERIFY(tray.SystemTray_Icon(QStringLiteral(APP_DIR "/clipboard.ico")));
        const QImage first = tray.defaultIcon();
        tray.AddToSystemTray(nullptr, QStringLiteral(" Stashbox "));
        QCOMPARE(views.back()->image, first);
        QVERIFY(tray.SystemTray_Icon(second));
        tray.setProperty("ToolTipText", QStringLiteral(" 3  ITEMS "));
        QCOMPARE(views.back()->image, first);
        QCOMPARE(views.back()->tip, QStringLiteral(" 3  ITEMS "));
        QVERIFY(tray.SystemTray_Icon(QStringLiteral(APP_DIR "/clipboard.ico")));
        tray.Update();
        QCOMPARE(shell.iconCount(), 1);
        QCOMPARE(views.back()->image, tray.defaultIcon());
        QVERIFY(!views.back()->image.isNull());
    }
    QCOMPARE(shell.iconCount(), 0);
}

QTEST_MAIN(ZqtrayTest)
#include "tst_zqtray.moc"
