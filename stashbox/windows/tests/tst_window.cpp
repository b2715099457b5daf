#include "appfolder.h"
#include "frmtrove.h"
#include "gridview.h"
#include "isolatedhome.h"
#include "listfilter.h"
#include "optionspage.h"
#include "profilefile.h"
#include "qtclipboardport.h"
#include "registrystore.h"
#include "screenmetrics.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <sys/stat.h>

namespace {
// The flat check box takes the mouse on its box and its caption, the parts a user clicks.
void clickCheck(QWidget* check)
{
    QWidget* part = check->childAt(check->rect().center());
    QTest::mouseClick(part ? part : check, Qt::LeftButton);
}
} // namespace

// The main window put together: capture from the system clipboard, the settings file, the options page.
class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { isolateHome(); }
    void mainWindowCapturesFromSystemClipboard();
    void settingsFileIsNamedForTheUser();
    void optionsPage();
    void startInEitherPlace_data();
    void startInEitherPlace();
    void commandsFromAShell();
    void unusableFormDataGivesTheBuiltInDesign_data();
    void unusableFormDataGivesTheBuiltInDesign();
    void unusableRegistryStoreStillGivesTheControls();
};

void TestWindow::mainWindowCapturesFromSystemClipboard()
{
    QtClipboardPort port;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    frmTrove window(port, dialogs, folder.path());
    window.load();
    window.show();
    QClipboard* cb = QGuiApplication::clipboard();

    cb->setText("from elsewhere");
    QCOMPARE(window.store().itemCount(), 1);
    QCOMPARE(window.lblItemCount()->text(), QString("1  ITEMS"));
    QCOMPARE(window.gridModel().textMatrix(0, 2), QString("from elsewhere"));

    auto* rich = new QMimeData;
    rich->setData("text/rtf", "{\\rtf1 rich}");
    rich->setText("rich");
    cb->setMimeData(rich);
    QCOMPARE(window.gridModel().rowData(0), QString("RTF"));

    // The program's own write is not taken back.
    window.capture().writeGuarded([&port] { port.writeText("own write"); });
    QCOMPARE(cb->text(), QString("own write"));
    QCOMPARE(window.store().itemCount(), 2);

    // The switch.
    QTest::mouseClick(window.Check1(), Qt::LeftButton);
    QVERIFY(!window.capture().captureOn);
    cb->setText("while off");
    QCOMPARE(window.store().itemCount(), 2);
    QTest::mouseClick(window.Check1(), Qt::LeftButton);
    QVERIFY(window.capture().captureOn);
    cb->setText("back on");
    QCOMPARE(window.store().itemCount(), 3);
    QCOMPARE(window.lblItemCount()->text(), QString("3  ITEMS"));
}

void TestWindow::settingsFileIsNamedForTheUser()
{
    // Two users, two files.
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    QCOMPARE(w.settingsPath(), folder.filePath(AppFolder::userName() + ".ini"));
}

void TestWindow::optionsPage()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    w.load();
    w.show();
    RegistryStore registry;
    const QString autostart = registry.autostartFolder() + "/Stashbox.desktop";
    // The first start without a settings file ticks StartWithWin and writes the entry.
    QVERIFY(QFile::exists(autostart));

    OptionsPage* page = w.Options();
    QVERIFY(!page->isVisible());
    QTest::mouseClick(w.Command5(), Qt::LeftButton);
    QVERIFY(page->isVisible());
    QCOMPARE(page->pos(), QPoint(ScreenMetrics::toPixelsX(480), ScreenMetrics::toPixelsY(1035)));
    QVERIFY(!page->Command6()->isEnabled());
    clickCheck(page->LoadFile());
    QVERIFY(page->Command6()->isEnabled());
    QVERIFY(page->LoadClipFileName()->isEnabled());

    dialogs.files.enqueue("/data/lists/monday.sbx");
    QTest::mouseClick(page->Command6(), Qt::LeftButton);
    QCOMPARE(dialogs.fileRequests.last().title, QString("Stashbox Data"));
    QCOMPARE(dialogs.fileRequests.last().filter, QString("Stashbox Data Files|*.sbx|"));
    QCOMPARE(page->LoadClipFileName()->text(), QString("/data/lists/monday.sbx"));
    dialogs.files.enqueue("x");
    QTest::mouseClick(page->Command6(), Qt::LeftButton);
    QCOMPARE(page->LoadClipFileName()->text(), QString("/data/lists/monday.sbx"));

    // Clearing StartWithWin removes the entry at once, even before Save.
    clickCheck(page->StartWithWin());
    QVERIFY(!QFile::exists(autostart));
    QTest::mouseClick(page->cmdCancel(), Qt::LeftButton);
    QVERIFY(!page->isVisible());
    QVERIFY(!w.options().loadFile); // Cancel put the panel back as the file says
    QVERIFY(w.options().startWithWin);
    QVERIFY(!QFile::exists(autostart)); // until the next start applies it again

    QTest::mouseClick(w.Command5(), Qt::LeftButton);
    clickCheck(page->LoadFile());
    QTest::mouseClick(page->SystemTray(), Qt::LeftButton);
    page->speedtxt()->clear();
    QTest::keyClicks(page->speedtxt(), "45.5");
    QTest::mouseClick(page->cmdSave(), Qt::LeftButton);
    QVERIFY(!page->isVisible());
    QCOMPARE(ProfileFile::read(w.settingsPath(), "SBOptions", "LoadFile", "d"), QString("True"));
    QCOMPARE(ProfileFile::read(w.settingsPath(), "SBOptions", "ScreenSide", "d"), QString("False"));
    QCOMPARE(ProfileFile::read(w.settingsPath(), "SBOptions", "anispeed", "d"), QString("46"));
    QCOMPARE(w.settings().hideMode, QString("s"));

    // The command box on the page.
    QTest::mouseClick(w.Command5(), Qt::LeftButton);
    QTest::keyClicks(page->commandtext(), "-lines");
    QCOMPARE(page->commandtext()->text(), QString());
    QVERIFY(!page->isVisible());
    QCOMPARE(w.gridModel().gridLines(), 0);
    // The scroll bar feeds the speed box.
    page->Vscroll()->setValue(77);
    QCOMPARE(page->speedtxt()->text(), QString("77"));
}

void TestWindow::startInEitherPlace_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("retracted at the edge") << false;
    QTest::newRow("hidden for the tray") << true;
}

void TestWindow::startInEitherPlace()
{
    QFETCH(bool, tray);
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    if (tray)
        QVERIFY(ProfileFile::write(w.settingsPath(), "SBOptions", "ScreenSide", "False"));
    QStringList asked;
    w.settings().processRunning = [&asked](const QString& name) {
        asked << name;
        return true;
    };
    w.load();
    // Shown first or not at all, the window has every control, with its settings, when the start ends.
    QCOMPARE(w.isVisible(), !tray);
    QVERIFY(w.controlProblems().isEmpty());
    QVERIFY(!w.Options()->isVisibleTo(&w));
    QVERIFY(w.Grid()->isVisibleTo(&w) && w.Command2()->isVisibleTo(&w) && w.ClipHandle()->isVisibleTo(&w));
    QCOMPARE(w.Command2()->property("Caption").toString(), w.settings().command2Caption());
    // The screen-capture program is looked for once, and before any copy is taken.
    QCOMPARE(asked, QStringList({"sshostap.exe"}));
    QVERIFY(!w.capture().imageCapture);
}

void TestWindow::commandsFromAShell()
{
    const auto parsed = [](const QStringList& args) { return CommandLine::parse(args); };
    QCOMPARE(parsed({}).action, CommandLine::Action::Start);
    QCOMPARE(parsed({"-platform", "xcb"}).action, CommandLine::Action::Start);
    QCOMPARE(parsed({"--list", "--json"}).request.command, QByteArray("list-json"));
    QCOMPARE(parsed({"--copy", "3"}).request.number, 3);
    QVERIFY(parsed({"--toggle"}).startsProgram() && !parsed({"--list"}).startsProgram());
    for (const QStringList& bad : QList<QStringList>{
             {"--copy"}, {"--copy", "x"}, {"--json"}, {"--show", "--hide"}, {"--toggle", "--json"}, {"--frobnicate"}})
        QCOMPARE(parsed(bad).action, CommandLine::Action::Invalid);

    QtClipboardPort port;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    QClipboard* cb = QGuiApplication::clipboard();
    cb->clear();
    frmTrove window(port, dialogs, folder.path());
    window.load();
    cb->setText("older\nsecond line");
    cb->setText("newer");
    QTRY_COMPARE(window.store().itemCount(), 2);

    const auto ask = [&window](const QByteArray& command, qint64 number = -1) {
        return window.command({command, number});
    };
    QCOMPARE(ask("list").text, QByteArray("0\tText\t\tnewer\n1\tText\t\tolder\n"));
    QCOMPARE(QJsonDocument::fromJson(ask("list-json").text).object().value("itemCount").toInt(), 2);
    QVERIFY(ask("copy", 1).ok);
    QCOMPARE(cb->text(), QStringLiteral("older\nsecond line"));
    QCOMPARE(window.store().itemCount(), 2);
    for (const auto& [command, number] :
         {std::pair{QByteArray("copy"), qint64(5)}, {"copy", -1}, {"show", 1}, {"clear", -1}})
        QVERIFY2(!ask(command, number).ok, command.constData());

    QVERIFY(ask("toggle").ok);
    QVERIFY(window.placement().isExtended());
    // While a query is typed the count label shows it; the count stays what it is.
    window.filter().type(QStringLiteral("old"));
    QCOMPARE(window.lblItemCount()->text(), QStringLiteral("\"old\": 1"));
    QCOMPARE(window.store().countLabelText(), QStringLiteral("2  ITEMS"));
    QVERIFY(ask("hide").ok);
    QVERIFY(!window.placement().isExtended());
    QVERIFY(!window.filter().isActive());
    QCOMPARE(window.lblItemCount()->text(), QStringLiteral("2  ITEMS"));
}

void TestWindow::unusableFormDataGivesTheBuiltInDesign_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("FIFO") << "fifo"
                          << "not a plain file";
    QTest::newRow("link to /dev/zero") << "zero"
                                       << "not a plain file";
    QTest::newRow("1 GB sparse file") << "sparse"
                                      << "larger than 64 MiB";
    QTest::newRow("damaged section") << "damaged"
                                     << "Command2: ";
}

void TestWindow::unusableFormDataGivesTheBuiltInDesign()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    QTemporaryDir folder;
    const QString path = folder.filePath("frmTrove.sbf");
    QFile file(path);
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "zero") {
        QVERIFY(QFile::link("/dev/zero", path));
    } else {
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(kind == "sparse" ? file.resize(qint64(1) << 30)
                                 : file.write("STASHBOX-FORM 1\nCONTROL Command2 ZqCustomButton.ZqCommand\nS TX =%zz\n"
                                              "END 1\n")
                        > 0);
        file.close();
    }
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    w.formDataPath = path;
    // Said once, on standard error, with the file's name; the start neither waits nor reads it whole.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^Stashbox: the form data " + QRegularExpression::escape(path) + ".*\n  "
                                            + QRegularExpression::escape(problem)));
    w.load();
    QVERIFY(w.controlProblems().isEmpty());
    QCOMPARE(w.Command2()->metaObject()->className(), "ZqCommand");
    QCOMPARE(w.Command4()->metaObject()->className(), "ZqCommand");
}

void TestWindow::unusableRegistryStoreStillGivesTheControls()
{
    RegistryStore registry;
    const QString hive = registry.hivePath(winreg::HKEY_LOCAL_MACHINE);
    QFile::remove(hive);
    QVERIFY(QDir().mkpath(QFileInfo(hive).path()));
    QCOMPARE(::mkfifo(QFile::encodeName(hive).constData(), 0600), 0);
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Stashbox: the registry store in .* cannot be used"));
    w.load();
    QVERIFY(QFile::remove(hive));
    QVERIFY(w.controlProblems().isEmpty());
    QCOMPARE(w.Command2()->metaObject()->className(), "ZqCommand");
    QCOMPARE(w.Options()->StartWithWin()->metaObject()->className(), "Check");
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
