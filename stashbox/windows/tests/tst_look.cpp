#include "appfolder.h"
#include "controlhost.h"
#include "formdesign.h"
#include "frmabout.h"
#include "frmtrove.h"
#include "isolatedhome.h"
#include "optionspage.h"
#include "registrystore.h"
#include "screenmetrics.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"
#include "windowshape.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

// Records the addresses handed to the desktop's browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The window's outline, the About box and the help page.
class TestLook : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        isolateHome();
        QCoreApplication::setApplicationVersion(QStringLiteral("2.7.13"));
        for (const char* scheme : {"https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_browser, "open");
    }
    void outlineScalesWithTheScreen();
    void aboutBoxShowsTheVersionAndVisitsOnlyOnYes();
    void windowIsShapedAndOpensOneAboutBox();
    void helpOpensThePageBesideTheProgramOnlyWhenThere();
    void captionsFitAndDoNotOverlap();
    void hostedControlsTakeTheFormDataOverTheirDesign();

private:
    UrlRecorder m_browser;
};

void TestLook::outlineScalesWithTheScreen()
{
    const QRegion at15 = WindowShape(15, 15).region();
    QVERIFY(!at15.contains(QPoint(140, 15))); // the hole in the tab
    QVERIFY(at15.contains(QPoint(131, 16)));
    QVERIFY(!at15.contains(QPoint(20, 200)));
    QVERIFY(at15.contains(QPoint(24, 200)));
    QVERIFY(!at15.contains(QPoint(5, 5)) && !at15.contains(QPoint(258, 10)));
    QVERIFY(QRect(0, 0, 261, 390).contains(at15.boundingRect()));

    // 1.25 pixels per design pixel: 208.75 and 28.75 round to the nearest.
    QCOMPARE(WindowShape(12, 12).outline().point(2), QPoint(209, 29));
    // Halves go to the even neighbour: 29 * 0.5 = 14.5 -> 14, 23 * 0.5 = 11.5 -> 12.
    QCOMPARE(WindowShape(30, 30).outline().point(24), QPoint(14, 14));
    QCOMPARE(WindowShape(30, 30).toX(23), 12);
    QCOMPARE(WindowShape(15, 15, 1.0F, 1.0F, 10, -6).outline().point(0), QPoint(140, 0));
    QCOMPARE(WindowShape::pointX(29), short(0));
    QCOMPARE(WindowShape::pointY(-1), short(0));
}

void TestLook::aboutBoxShowsTheVersionAndVisitsOnlyOnYes()
{
    ScriptedDialogs dialogs;
    RegistryStore registry;
    ControlHost controls(registry, AppFolder::libraryFolder());
    frmAbout about(dialogs, controls, nullptr);
    QCOMPARE(about.windowTitle(), QString("About Stashbox"));
    QCOMPARE(about.Label1()->text(), QString("Stashbox"));
    QVERIFY(about.Label1()->font().bold());
    QCOMPARE(about.Label2()->text(), QString("Version 2.7.13"));
    QCOMPARE(about.ZqCommand1()->metaObject()->className(), "ZqCommand");
    QCOMPARE(about.ZqCommand1()->property("Caption").toString(), QString("&Ok"));

    m_browser.opened.clear();
    dialogs.answers.enqueue(DialogsPort::Answer::No);
    QTest::mouseClick(about.Label4(), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].title, QString("Information"));
    QCOMPARE(dialogs.messages[0].icon, DialogsPort::Icon::Information);
    QCOMPARE(dialogs.messages[0].buttons, DialogsPort::Buttons::YesNoDefaultNo);
    QVERIFY(m_browser.opened.isEmpty());

    dialogs.answers.enqueue(DialogsPort::Answer::Yes);
    QTest::mouseClick(about.Label4(), Qt::LeftButton);
    QCOMPARE(m_browser.opened, QList<QUrl>{QUrl(about.Label4()->text())});
    QCOMPARE(m_browser.opened[0].scheme(), QString("https"));
}

void TestLook::windowIsShapedAndOpensOneAboutBox()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    w.load();
    // The outline at this screen's resolution, checked at points of the drawing: the hole in the
    // tab, the tab, the panel's left edge, the corner above it.
    const auto at = [](int x, int y) {
        return QPoint(qRound(x * 15.0 / ScreenMetrics::twipsPerPixelX()),
                      qRound(y * 15.0 / ScreenMetrics::twipsPerPixelY()));
    };
    QVERIFY(!w.mask().contains(at(140, 15)) && w.mask().contains(at(131, 16)));
    QVERIFY(!w.mask().contains(at(18, 200)) && w.mask().contains(at(26, 200)));
    QVERIFY(!w.mask().contains(at(5, 5)) && w.mask().contains(at(200, 380)) && !w.mask().contains(at(200, 395)));
    // The shape is the window's from now on: a resize does not rebuild it.
    const QRegion shaped = w.mask();
    w.setFixedSize(w.width() + 40, w.height());
    QCOMPARE(w.mask(), shaped);

    QCOMPARE(w.Label8()->text(), QString("About Stashbox v2.7.13"));
    int opened = 0;
    QPointer<frmAbout> first;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &w, [&] {
        if (!w.aboutBox() || !w.aboutBox()->isVisible())
            return;
        poll.stop();
        first = w.aboutBox();
        QVERIFY(first->isModal());
        QCOMPARE(first->Label2()->text(), "Version " + w.Label8()->text().section('v', -1));
        // Asking again while it is open brings the same box forward.
        w.showAbout();
        opened = w.findChildren<frmAbout*>().size();
        QTest::mouseClick(first->ZqCommand1(), Qt::LeftButton);
    });
    poll.start(10);
    QTest::mouseClick(w.Label8(), Qt::LeftButton);
    QTRY_VERIFY(opened > 0 && !first);
    QCOMPARE(opened, 1);
    QVERIFY(!w.aboutBox());
}

void TestLook::helpOpensThePageBesideTheProgramOnlyWhenThere()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    w.load();
    const QString page = AppFolder::programFolder() + "/Stashbox Help.html";
    QFile::remove(page);
    m_browser.opened.clear();
    const qsizetype asked = dialogs.messages.size();
    QTest::mouseClick(w.cmdHelp(), Qt::LeftButton);
    QVERIFY(m_browser.opened.isEmpty());
    QCOMPARE(dialogs.messages.size(), asked);

    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QTest::mouseClick(w.cmdHelp(), Qt::LeftButton);
    QFile::remove(page);
    QCOMPARE(m_browser.opened, QList<QUrl>{QUrl::fromLocalFile(page)});
}

void TestLook::captionsFitAndDoNotOverlap()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    w.load();
    QTest::mouseClick(w.Command5(), Qt::LeftButton);
    QVERIFY(w.Options()->isVisible());
    // In every container: each caption fits its control, and shown controls keep apart.
    QList<QWidget*> containers{&w};
    for (QWidget* c : w.findChildren<QWidget*>())
        if (c->inherits("QGroupBox") || c->objectName() == "Picture1" || c == w.Options())
            containers << c;
    for (QWidget* container : containers) {
        QList<QWidget*> shown;
        for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisibleTo(container) && !child->isWindow() && child != w.Options())
                shown << child;
        for (QWidget* child : shown) {
            // The hosted command buttons draw their Caption; labels and option buttons their text.
            const auto* label = qobject_cast<QLabel*>(child);
            const auto* button = qobject_cast<QAbstractButton*>(child);
            const QString caption = child->property("Caption").toString().remove('&');
            if (!caption.isEmpty())
                QVERIFY2(child->fontMetrics().horizontalAdvance(caption) <= child->width(),
                         qPrintable(child->objectName()));
            else if ((label && !label->text().isEmpty()) || (button && !button->text().isEmpty()))
                QVERIFY2(child->sizeHint().width() <= child->width(), qPrintable(child->objectName()));
            for (QWidget* other : shown)
                QVERIFY2(child == other || !child->geometry().intersects(other->geometry()),
                         qPrintable(child->objectName() + " / " + other->objectName()));
        }
    }
}

void TestLook::hostedControlsTakeTheFormDataOverTheirDesign()
{
    RegistryStore registry;
    ControlHost host(registry, AppFolder::libraryFolder());
    const FormDesign::Control exit = FormDesign::textButton("cmdExit", "X", QFont());
    PropertyBag kept;
    FormData form;
    QString error;
    QWidget* designed = FormDesign::create(host, form, exit, nullptr, &error);
    QVERIFY2(designed, qPrintable(error));
    designed->setProperty("Caption", "Quit");
    QVERIFY(ControlHost::WriteProperties(designed, kept));
    form.setControl("cmdExit", FormDesign::ButtonProgId, kept);
    QCOMPARE(designed->property("Caption").toString(), QString("Quit"));
    std::unique_ptr<QWidget> fromFile(FormDesign::create(host, form, exit, nullptr, &error));
    QCOMPARE(fromFile->property("Caption").toString(), QString("Quit"));
    QCOMPARE(fromFile->objectName(), QString("cmdExit"));
    delete designed;
    // The file beside the program holds the window's controls, with their design.
    const FormData beside = FormData::load(AppFolder::programFolder() + "/" + FormDesign::FileName);
    QVERIFY(beside.problems().isEmpty());
    QCOMPARE(int(beside.controls().size()), 15);
    QCOMPARE(beside.bag("Command2").ReadProperty("TX").toString(), QString("<"));
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
