#include "appfolder.h"
#include "capture.h"
#include "clipstore.h"
#include "commandbox.h"
#include "gridmodel.h"
#include "isolatedhome.h"
#include "optionspage.h"
#include "processlist.h"
#include "profilefile.h"
#include "registrystore.h"
#include "screenmetrics.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "startwithsystem.h"
#include "testpictures.h"
#include "zqiniclass.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QImage solid(QRgb c)
{
    QImage img(12, 12, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// Settings over a fresh folder that holds the two skins.
struct World
{
    QTemporaryDir folder;
    GridModel grid;
    struct
    {
        Picture tss = Picture::fromImage(solid(0xff336699));
        Picture sb = Picture::fromImage(solid(0xff996633));
    } pictures;
    ClipStore store{grid, testKindIcons()};
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    Capture capture{store, clipboard, dialogs};
    Settings settings{store, capture, folder.filePath("tester.ini"), folder.path(), pictures.tss, pictures.sb};
    CommandBox commands{settings, store, capture, dialogs};
    QString boxText;
    int cancels = 0;

    World()
    {
        solid(0xff0000ff).save(folder.filePath("sbbl.icj"), "PNG");
        solid(0xff804000).save(folder.filePath("sbbr.icj"), "BMP");
        settings.processRunning = [](const QString&) { return false; };
        capture.ownWriteGuard = true;
        QObject::connect(&clipboard, &ClipboardPort::changed, [this] { capture.clipboardChanged(); });
        QObject::connect(&commands, &CommandBox::cancelRequested, [this] {
            ++cancels;
            settings.LoadOptions();
        });
        QObject::connect(&commands, &CommandBox::clearRequested, [this] { type(QString()); });
    }

    QString key(const QString& k) { return ProfileFile::read(settings.settingsPath(), "SBOptions", k, "default"); }

    // Sets the command box's text as the widget would, raising the change event.
    void type(const QString& text)
    {
        boxText = text;
        commands.commandtext_Change(text);
    }
    void typeKeys(const QString& text)
    {
        for (QChar c : text)
            type(boxText + c);
    }
    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            clipboard.copy({{"text/plain", QString("item %1").arg(i).toUtf8()}});
    }
};
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { isolateHome(); }
    void defaultsWithoutFile();
    void saveThenLoadGivesTheSamePanel();
    void speedIsRoundedHalvesToEven_data();
    void speedIsRoundedHalvesToEven();
    void keysAreReadAsStored();
    void backgroundAndSkins();
    void imageCaptureYieldsToScreenCapture();
    void iniClassContract();
    void badSettingsFiles();
    void userNames();
    void commandsSwitchAndWrite();
    void commandsMatchExactly();
    void limitCommandsKeepNewest();
    void pictureCommand();
    void commandDiscardsUnsavedPanel();
    void startWithSystemEntry();
    void settingThatCannotBeStoredIsNotInForce();
    void hotkeyIsReadAndParsed();
};

void TestSettings::defaultsWithoutFile()
{
    World w;
    w.settings.panel = PanelOptions{};
    w.settings.panel.startWithWin = false;
    w.settings.panel.promptOnExit = false;
    w.grid.setGridLines(0);
    w.settings.LoadOptions();
    QCOMPARE(w.store.itemLimit(), 20);
    QCOMPARE(w.grid.rows(), 20);
    QCOMPARE(w.grid.gridLines(), 1);
    QVERIFY(w.settings.saveOnExit);
    QVERIFY(w.capture.imageCapture);
    QVERIFY(!w.capture.warnWhenFull);
    QVERIFY(w.grid.backgroundPicture().isNull());
    QVERIFY(w.settings.panel.clipBrown);
    QVERIFY(!w.settings.panel.clipBlue);
    QCOMPARE(w.settings.skin().image().pixel(0, 0), qRgb(0x80, 0x40, 0));
    QVERIFY(w.settings.panel.startWithWin);
    QVERIFY(w.settings.panel.startInOnMode);
    QVERIFY(w.settings.panel.promptOnExit);
    QVERIFY(!w.settings.panel.loadFile);
    QVERIFY(!w.settings.panel.autoHide);
    QVERIFY(w.settings.panel.screenSide);
    QCOMPARE(w.settings.command2Caption(), QString("<"));
    QCOMPARE(w.settings.speed, qint16(30));
    QCOMPARE(w.settings.panel.speedText, QString("30"));
    QCOMPARE(w.settings.panel.scrollValue, 30);
    // Reading never creates the file.
    QVERIFY(!QFile::exists(w.settings.settingsPath()));
}

void TestSettings::saveThenLoadGivesTheSamePanel()
{
    World w;
    w.settings.LoadOptions();
    PanelOptions& p = w.settings.panel;
    p.startWithWin = false;
    p.loadFile = true;
    p.loadClipFileName = "/home/someone/My Lists/work.sbx";
    p.screenSide = false;
    p.speedText = "57";
    p.autoHide = true;
    p.startInOnMode = false;
    p.promptOnExit = false;
    p.clipBlue = true;
    p.clipBrown = false;
    w.settings.SaveOptions();
    QCOMPARE(w.settings.hideMode, QString("s"));
    QCOMPARE(w.key("ScreenSide"), QString("False"));
    QCOMPARE(w.key("Startup"), QString("False"));
    QCOMPARE(w.key("clipboardtype"), QString("blue"));
    // The order of the keys in the file.
    const QByteArray file = fileBytes(w.settings.settingsPath());
    QVERIFY(file.indexOf("anispeed=") < file.indexOf("clipboardtype="));
    QVERIFY(file.indexOf("Startup=") < file.indexOf("File="));
    QVERIFY(file.indexOf("File=") < file.indexOf("LoadFile="));

    const PanelOptions saved = p;
    p = PanelOptions{};
    w.settings.LoadOptions();
    QCOMPARE(p.startWithWin, saved.startWithWin);
    QCOMPARE(p.loadFile, saved.loadFile);
    QCOMPARE(p.loadClipFileName, saved.loadClipFileName);
    QCOMPARE(p.screenSide, saved.screenSide);
    QCOMPARE(p.speedText, QString("57"));
    QCOMPARE(p.autoHide, saved.autoHide);
    QCOMPARE(p.startInOnMode, saved.startInOnMode);
    QCOMPARE(p.promptOnExit, saved.promptOnExit);
    QVERIFY(p.clipBlue && !p.clipBrown);
    QVERIFY(p.enabledFileControls);
    QCOMPARE(w.settings.command2Caption(), QString("  ."));
    QCOMPARE(w.settings.skin().image().pixel(0, 0), qRgb(0, 0, 0xff));

    // Saving at the screen side takes the tray icon away at once.
    QSignalSpy removed(&w.settings, &Settings::removeFromSystemTray);
    p.screenSide = true;
    w.settings.SaveOptions();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(w.settings.hideMode, QString("w"));
}

void TestSettings::speedIsRoundedHalvesToEven_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("44.5") << "44.5"
                          << "44";
    QTest::newRow("45.5") << "45.5"
                          << "46";
    QTest::newRow("abc") << "abc"
                         << "0";
    QTest::newRow("12abc") << "12abc"
                           << "12";
    QTest::newRow("blank first") << "  7"
                                 << "7";
    QTest::newRow("negative") << "-3.5"
                              << "-4";
    QTest::newRow("too large") << "99999999"
                               << "30";
}

void TestSettings::speedIsRoundedHalvesToEven()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    World w;
    w.settings.LoadOptions();
    w.settings.panel.speedText = typed;
    w.settings.SaveOptions();
    QCOMPARE(w.key("anispeed"), stored);
}

void TestSettings::keysAreReadAsStored()
{
    World w;
    const QString ini = w.settings.settingsPath();
    writeFile(ini,
              "[SBOptions]\npro=100\ngridlines=none\nsaveonexit=none\nimages=none\nnowarn=1\n"
              "ScreenSide=maybe\nanispeed=12.5\nclipboardtype=green\n");
    w.settings.panel.clipBlue = true;
    w.settings.panel.clipBrown = false;
    w.settings.LoadOptions();
    QCOMPARE(w.store.itemLimit(), 100);
    QCOMPARE(w.grid.rows(), 100);
    QCOMPARE(w.grid.gridLines(), 0);
    QVERIFY(!w.settings.saveOnExit);
    QVERIFY(!w.capture.imageCapture);
    QVERIFY(w.capture.warnWhenFull);
    QVERIFY(!w.settings.panel.screenSide);
    QCOMPARE(w.settings.speed, qint16(12));
    // An unknown skin leaves the options and the skin alone.
    QVERIFY(w.settings.panel.clipBlue);
    QVERIFY(w.settings.skin().isNull());

    // "nowarn" runs opposite to its name.
    writeFile(ini, "[SBOptions]\nnowarn=default\nanispeed=fast\n");
    w.settings.speed = 44;
    w.settings.LoadOptions();
    QVERIFY(!w.capture.warnWhenFull);
    QCOMPARE(w.settings.speed, qint16(44)); // not a number: unchanged
    QCOMPARE(w.store.itemLimit(), 20);
}

void TestSettings::backgroundAndSkins()
{
    World w;
    const QString ini = w.settings.settingsPath();
    writeFile(ini, "[SBOptions]\nclipboardpicture=tss\n");
    w.settings.LoadOptions();
    QVERIFY(w.grid.backgroundPicture().sharesDataWith(w.pictures.tss));
    writeFile(ini, "[SBOptions]\nclipboardpicture=sb\n");
    w.settings.LoadOptions();
    QVERIFY(w.grid.backgroundPicture().sharesDataWith(w.pictures.sb));
    const QString file = w.folder.filePath("back ground.png");
    solid(0xff00ff00).save(file, "PNG");
    writeFile(ini, "[SBOptions]\nclipboardpicture=" + file.toUtf8() + "\n");
    w.settings.LoadOptions();
    QCOMPARE(w.grid.backgroundPicture().image().pixel(1, 1), qRgb(0, 255, 0));
    // A path that cannot be read leaves what was there.
    writeFile(ini, "[SBOptions]\nclipboardpicture=" + w.folder.filePath("missing.bmp").toUtf8() + "\n");
    w.settings.LoadOptions();
    QCOMPARE(w.grid.backgroundPicture().image().pixel(1, 1), qRgb(0, 255, 0));
    writeFile(ini, "[SBOptions]\nclipboardpicture=default\n");
    w.settings.LoadOptions();
    QVERIFY(w.grid.backgroundPicture().isNull());

    // Skins follow the options; a missing skin file leaves the skin as it was.
    w.settings.panel.clipBlue = true;
    w.settings.panel.clipBrown = false;
    w.settings.ClipBlue_Click();
    QCOMPARE(w.settings.skin().image().pixel(0, 0), qRgb(0, 0, 255));
    QFile::remove(w.folder.filePath("sbbr.icj"));
    w.settings.panel.clipBlue = false;
    w.settings.panel.clipBrown = true;
    w.settings.ClipBrown_Click();
    QCOMPARE(w.settings.skin().image().pixel(0, 0), qRgb(0, 0, 255));
    // The same skin read again is the one on disk now, not the one read before.
    QSignalSpy skinChanges(&w.settings, &Settings::skinChanged);
    solid(0xff00ff00).save(w.folder.filePath("sbbl.icj"), "PNG");
    w.settings.panel.clipBlue = true;
    w.settings.ClipBlue_Click();
    w.settings.ClipBlue_Click();
    QCOMPARE(w.settings.skin().image().pixel(0, 0), qRgb(0, 255, 0));
    QCOMPARE(skinChanges.count(), 1);
}

void TestSettings::imageCaptureYieldsToScreenCapture()
{
    World w;
    QStringList asked;
    w.settings.processRunning = [&asked](const QString& name) {
        asked << name;
        return true;
    };
    w.settings.LoadOptions();
    QCOMPARE(asked, QStringList({"sshostap.exe"}));
    QVERIFY(!w.capture.imageCapture);
    // Left for later, the look is made once: by the next full load, or else when asked for.
    w.settings.LoadOptions(Settings::ProcessCheck::Later);
    QCOMPARE(asked.size(), 1);
    w.settings.LoadOptions();
    w.settings.applyDeferredProcessCheck();
    QCOMPARE(asked.size(), 2);
    w.settings.LoadOptions(Settings::ProcessCheck::Later);
    w.settings.applyDeferredProcessCheck();
    QCOMPARE(asked.size(), 3);
    QVERIFY(!w.capture.imageCapture);
    // Our own process list finds processes by exact name only.
    QVERIFY(ProcessList::isRunning(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    QVERIFY(!ProcessList::isRunning("sshostap.exe"));
    QVERIFY(!ProcessList::isRunning(QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUpper()));
}

void TestSettings::iniClassContract()
{
    QTemporaryDir dir;
    ZqiniClass ini;
    ini.setPath(dir.filePath("new.ini"));
    ini.setSection("SBOptions");
    ini.setKey("k");
    ini.setDefault("default");
    QCOMPARE(ini.Value(), QString("default"));
    ini.setValue(QString("a") + QChar(0) + "b");
    QCOMPARE(ini.LastReturnCode(), 1);
    QCOMPARE(ini.Value(), QString("ab"));
    ini.setValue(QString(10000, 'x'));
    QCOMPARE(ini.Value().size(), 254);
    // A write that cannot happen leaves the code 0.
    ini.setPath(dir.filePath("no such folder/x.ini"));
    ini.setValue("v");
    QCOMPARE(ini.LastReturnCode(), 0);
}

void TestSettings::badSettingsFiles()
{
    World w;
    const QString ini = w.settings.settingsPath();
    QByteArray junk = "garbage line\n[SBOptions]\npro\n=100\nimages=none\n";
    junk += QByteArray("\xff\xfe\x00\x01\n", 5);
    junk += "huge=" + QByteArray(2 * 1024 * 1024, 'h') + "\n";
    junk += "[Other]\nkeep=me\n";
    writeFile(ini, junk);
    w.settings.LoadOptions();
    QCOMPARE(w.store.itemLimit(), 20); // "pro" without "=" is no value
    QVERIFY(!w.capture.imageCapture);
    QCOMPARE(w.key("huge").size(), 254);
    w.settings.SaveOptions();
    const QByteArray after = fileBytes(ini);
    QVERIFY(after.startsWith("garbage line\n[SBOptions]\npro\n=100\nimages=none\n"));
    QVERIFY(after.contains(QByteArray(2 * 1024 * 1024, 'h')));
    QVERIFY(after.contains("[Other]\nkeep=me\n"));
    QCOMPARE(w.key("PromptOnExit"), QString("True"));
    QCOMPARE(ProfileFile::read(ini, "Other", "keep", "x"), QString("me"));
}

void TestSettings::userNames()
{
    QCOMPARE(AppFolder::userNameFrom("guest"), QString("guest"));
    QCOMPARE(AppFolder::userNameFrom(""), QString("default"));
    QCOMPARE(AppFolder::userNameFrom(nullptr), QString("default"));
}

void TestSettings::commandsSwitchAndWrite()
{
    World w;
    struct Case
    {
        QString word;
        QString key;
        QString value;
        QString message;
        QString title;
    };
    const QList<Case> cases{
        {"-lines", "gridlines", "none", "", ""},
        {"+lines", "gridlines", "default", "", ""},
        {"-images", "images", "none", "Image capture is off", "Stashbox"},
        {"+images", "images", "default", "Image capture is on", "Stashbox"},
        {"-saveonexit", "saveonexit", "none", "Save on exit is disabled ", "Stashbox"},
        {"+saveonexit", "saveonexit", "default", "Save on exit is enabled ", "Stashbox"},
        {"-warn", "nowarn", "default", "Warning when full is off", "Stashbox"},
        {"+warn", "nowarn", "1", "Warning when full is on", "Stashbox"},
        {"=tss", "clipboardpicture", "tss", "", ""},
        {"=sb", "clipboardpicture", "sb", "", ""},
        {"-picture", "clipboardpicture", "default", "", ""},
    };
    for (const Case& c : cases) {
        w.dialogs.messages.clear();
        w.type(c.word);
        QCOMPARE(w.boxText, QString());
        QCOMPARE(w.key(c.key), c.value);
        if (c.message.isEmpty()) {
            QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(c.word));
        } else {
            QCOMPARE(w.dialogs.messages.size(), 1);
            QCOMPARE(w.dialogs.messages[0].text, c.message);
            QCOMPARE(w.dialogs.messages[0].title, c.title);
            QCOMPARE(w.dialogs.messages[0].icon, DialogsPort::Icon::Information);
        }
        // The flags are in force at once.
        w.settings.LoadOptions();
    }
    QCOMPARE(w.cancels, cases.size());
    w.type("-images");
    QVERIFY(!w.capture.imageCapture);
    w.type("+warn");
    QVERIFY(w.capture.warnWhenFull);
    w.type("-saveonexit");
    QVERIFY(!w.settings.saveOnExit);
    w.type("-lines");
    QCOMPARE(w.grid.gridLines(), 0);
    w.type("=tss");
    QVERIFY(w.grid.backgroundPicture().sharesDataWith(w.pictures.tss));

    // The greetings show a note and change nothing.
    const QByteArray before = fileBytes(w.settings.settingsPath());
    for (const QString word : {"?love", "?ponies", "?mom", "?wife"}) {
        w.dialogs.messages.clear();
        w.type(word);
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY(w.dialogs.messages[0].text.count("\r\n") >= 2);
        QCOMPARE(w.dialogs.messages[0].text, CommandBox::note(word).second);
    }
    QCOMPARE(fileBytes(w.settings.settingsPath()), before);
}

void TestSettings::commandsMatchExactly()
{
    World w;
    w.type(" -lines");
    w.type("-lines ");
    w.type("+Lines");
    QCOMPARE(w.cancels, 0);
    QCOMPARE(w.key("gridlines"), QString("default"));
    QCOMPARE(w.boxText, QString("+Lines"));
    // Pasted whole, it fires as typed.
    w.type("-lines");
    QCOMPARE(w.cancels, 1);
    QCOMPARE(w.key("gridlines"), QString("none"));

    // Key by key: fires as soon as the text is "=100"; what follows stands alone and matches nothing.
    w.type("");
    w.typeKeys("=1000");
    QCOMPARE(w.store.itemLimit(), 100);
    QCOMPARE(w.boxText, QString("0"));
    w.typeKeys("0");
    QCOMPARE(w.boxText, QString("00"));
    QCOMPARE(w.cancels, 2);
}

void TestSettings::limitCommandsKeepNewest()
{
    World w;
    w.settings.LoadOptions();
    w.type("=100");
    QCOMPARE(w.dialogs.messages.last().text, QString("Maximum size is 100 items."));
    QCOMPARE(w.dialogs.messages.last().title, QString("stashbox"));
    QCOMPARE(w.key("pro"), QString("100"));
    QCOMPARE(w.grid.rows(), 100);
    w.fill(30);
    w.type("=20");
    QCOMPARE(w.dialogs.messages.last().text, QString("Maximum size is 20 items."));
    QCOMPARE(w.dialogs.messages.last().title, QString("stashbox"));
    QCOMPARE(w.key("pro"), QString("default"));
    QCOMPARE(w.grid.rows(), 20);
    QCOMPARE(w.store.itemCount(), 20);
    QCOMPARE(w.store.countLabelText(), QString("20  ITEMS"));
    QCOMPARE(w.grid.textMatrix(0, 2), QString("item 29"));
    QCOMPARE(w.grid.textMatrix(19, 2), QString("item 10"));

    // =100 then =20 with nothing captured between loses none of the first 20.
    w.type("=100");
    w.type("=20");
    QCOMPARE(w.store.itemCount(), 20);
    QCOMPARE(w.grid.textMatrix(19, 2), QString("item 10"));
}

void TestSettings::pictureCommand()
{
    World w;
    w.type("+picture");
    QCOMPARE(w.dialogs.fileRequests.size(), 1);
    const DialogsPort::FileRequest r = w.dialogs.fileRequests[0];
    QCOMPARE(r.title, QString("Import Picture for Stashbox"));
    QCOMPARE(r.actionCaption, QString("Open"));
    QCOMPARE(r.initialFolder, w.folder.path());
    QCOMPARE(r.initialFileName, QString());
    QCOMPARE(r.filter, QString("Windows Bitmap Files |*.bmp|Jpeg Files |*.jpg|GIF Files|*.gif"));
    QVERIFY(!r.save);
    // Cancelled: nothing changes.
    QVERIFY(!QFile::exists(w.settings.settingsPath()));

    const QString good = w.folder.filePath("wall.bmp");
    solid(0xff123456).save(good, "BMP");
    w.dialogs.files.enqueue("  " + good + " ");
    w.type("+picture");
    QCOMPARE(w.key("clipboardpicture"), good);
    QCOMPARE(w.grid.backgroundPicture().image().pixel(0, 0), qRgb(0x12, 0x34, 0x56));

    // Not a picture: the background stays, the path is written all the same.
    const QString bad = w.folder.filePath("notes.bmp");
    writeFile(bad, "hello");
    w.dialogs.files.enqueue(bad);
    w.type("+picture");
    QCOMPARE(w.key("clipboardpicture"), bad);
    QCOMPARE(w.grid.backgroundPicture().image().pixel(0, 0), qRgb(0x12, 0x34, 0x56));
}

void TestSettings::commandDiscardsUnsavedPanel()
{
    World w;
    w.settings.LoadOptions();
    w.settings.panel.promptOnExit = false;
    w.settings.panel.autoHide = true;
    w.type("+images");
    QVERIFY(w.settings.panel.promptOnExit);
    QVERIFY(!w.settings.panel.autoHide);
    QVERIFY(w.capture.imageCapture);
}

void TestSettings::startWithSystemEntry()
{
    RegistryStore registry;
    const QString autostart = registry.autostartFolder() + "/Stashbox.desktop";
    const QString program = "/opt/my apps/stashbox";
    QVERIFY(StartWithSystem::apply(registry, true, program));
    QVERIFY(QFile::exists(autostart));
    const QByteArray entry = fileBytes(autostart);
    QVERIFY(entry.contains("[Desktop Entry]"));
    QVERIFY(entry.contains("Exec=\"/opt/my apps/stashbox\""));
    // Once the program is gone, the desktop skips the entry.
    QVERIFY(entry.contains("\nTryExec=/opt/my apps/stashbox\n"));
    QCOMPARE(StartWithSystem::current(registry), "\"" + program + "\"");
    QVERIFY(StartWithSystem::apply(registry, false, program));
    QVERIFY(!QFile::exists(autostart));
    // Removing twice is fine.
    QVERIFY(StartWithSystem::apply(registry, false, program));
    QCOMPARE(StartWithSystem::current(registry), QString());
}

void TestSettings::settingThatCannotBeStoredIsNotInForce()
{
    World w;
    w.settings.LoadOptions();
    // A folder in the file's place: no write can succeed, not even root's.
    QVERIFY(QDir().mkdir(w.settings.settingsPath()));
    for (const QString word : {"=100", "-images", "+warn", "-saveonexit", "-lines"}) {
        w.dialogs.messages.clear();
        w.type(word);
        QCOMPARE(w.dialogs.messages.size(), 1);
        QCOMPARE(w.dialogs.messages[0].icon, DialogsPort::Icon::Critical);
        QVERIFY(w.dialogs.messages[0].text.startsWith("The setting could not be saved: " + w.settings.settingsPath()));
    }
    QCOMPARE(w.store.itemLimit(), 20);
    QCOMPARE(w.grid.rows(), 20);
    QVERIFY(w.capture.imageCapture);
    QVERIFY(!w.capture.warnWhenFull);
    QVERIFY(w.settings.saveOnExit);
    QCOMPARE(w.grid.gridLines(), 1);
    QVERIFY(!w.settings.SaveOptions());
}

void TestSettings::hotkeyIsReadAndParsed()
{
    World w;
    const QString ini = w.settings.settingsPath();
    w.settings.LoadOptions();
    QCOMPARE(w.settings.hotkey, QStringLiteral("Ctrl+Alt+V"));
    writeFile(ini, "[SBOptions]\nHotkey=\nanispeed=12\n");
    w.settings.LoadOptions();
    QVERIFY(w.settings.hotkey.isEmpty());
    // The options page leaves the key as it is written.
    QVERIFY(w.settings.SaveOptions());
    QCOMPARE(w.key("Hotkey"), QString());

    QCOMPARE(Settings::parseHotkey(QStringLiteral(" Ctrl+Alt+V ")), QKeyCombination(Qt::CTRL | Qt::ALT | Qt::Key_V));
    QCOMPARE(Settings::parseHotkey(QStringLiteral("Meta+F12")), QKeyCombination(Qt::META | Qt::Key_F12));
    for (const char* bad : {"", "Ctrl+Alt+", "Ctrl+Alt+Vee", "Ctrl+V, Ctrl+C", "Ctrl+Shift", "plain nonsense"})
        QVERIFY2(!Settings::parseHotkey(QString::fromLatin1(bad)), bad);
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
