// Property bags, form-data files, and controls created by ProgID from registered libraries.
#include "componentregistration.h"
#include "controlclass.h"
#include "controlhost.h"
#include "formdata.h"
#include "propertybag.h"
#include "testconfighome.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

class ComponentTest final : public QObject
{
    Q_OBJECT

private slots:
    void bagKeepsTypedValuesInOrder();
    void malformedBagTextGivesDefaults_data();
    void malformedBagTextGivesDefaults();
    void formDataKeepsGoodSectionsOfADamagedFile();
    void controlByProgIdRoundTripsItsBag();
    void missingOrBrokenLibraryIsReported();
    void wrongRegistrationsGiveWayToTheLibrariesBeside();
};

void ComponentTest::bagKeepsTypedValuesInOrder()
{
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 200, 30, 128));
    PropertyBag bag;
    QVERIFY(bag.WriteProperty(QStringLiteral("ToolTipText"), QStringLiteral("Hello world, 100%\n"), QString()));
    QVERIFY(bag.WriteProperty(QStringLiteral("Delay"), 700, 15));
    QVERIFY(bag.WriteProperty(QStringLiteral("Enabled"), false, true));
    QVERIFY(bag.WriteProperty(QStringLiteral("BackColor"), QVariant::fromValue(OleColor{0x8000000F}), QVariant()));
    QVERIFY(bag.WriteProperty(QStringLiteral("Font"), QFont(QStringLiteral("Tahoma"), 8), QVariant()));
    QVERIFY(bag.WriteProperty(QStringLiteral("Picture"), picture, QVariant()));
    QVERIFY(bag.WriteProperty(QStringLiteral("Empty"), QString(), QString())); // the default: not kept
    QVERIFY(!bag.WriteProperty(QStringLiteral("List"), QStringList{QStringLiteral("x")}));
    QVERIFY(bag.WriteProperty(QStringLiteral("delay"), 800, 15)); // same key, same place

    const PropertyBag back = PropertyBag::fromText(bag.toText());
    QVERIFY(back == bag);
    QCOMPARE(back.names(), (QStringList{"ToolTipText", "Delay", "Enabled", "BackColor", "Font", "Picture"}));
    QCOMPARE(back.ReadProperty(QStringLiteral("TOOLTIPTEXT"), QString()).toString(),
             QStringLiteral("Hello world, 100%\n"));
    QCOMPARE(back.ReadProperty(QStringLiteral("Delay"), 15).metaType(), QMetaType::fromType<int>());
    QCOMPARE(back.ReadProperty(QStringLiteral("Delay"), 15).toInt(), 800);
    QCOMPARE(back.ReadProperty(QStringLiteral("Enabled"), true).toBool(), false);
    QCOMPARE(back.ReadProperty(QStringLiteral("BackColor")).value<OleColor>().value, 0x8000000Fu);
    QCOMPARE(back.ReadProperty(QStringLiteral("Font")).value<QFont>().family(), QStringLiteral("Tahoma"));
    QCOMPARE(back.ReadProperty(QStringLiteral("Picture")).value<QImage>().pixel(2, 1), picture.pixel(2, 1));
    QCOMPARE(back.ReadProperty(QStringLiteral("Empty"), QStringLiteral("dflt")).toString(), QStringLiteral("dflt"));
    // A stored text that cannot become the default's type reads as the default.
    QCOMPARE(back.ReadProperty(QStringLiteral("ToolTipText"), 42).toInt(), 42);
}

void ComponentTest::malformedBagTextGivesDefaults_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("other version") << QByteArray("STASHBOX-BAG 2\nEND 0\n");
    QTest::newRow("no END") << QByteArray("STASHBOX-BAG 1\nI A =1\n");
    QTest::newRow("count") << QByteArray("STASHBOX-BAG 1\nI A =1\nEND 2\n");
    QTest::newRow("twice") << QByteArray("STASHBOX-BAG 1\nI A =1\nI a =2\nEND 2\n");
    QTest::newRow("bad number") << QByteArray("STASHBOX-BAG 1\nI A =1x\nEND 1\n");
    QTest::newRow("huge number") << QByteArray("STASHBOX-BAG 1\nI A =99999999999999999999\nEND 1\n");
    QTest::newRow("bad utf-8") << QByteArray("STASHBOX-BAG 1\nS A =%FF\nEND 1\n");
    QTest::newRow("bad picture") << QByteArray("STASHBOX-BAG 1\nP A =89504e47\nEND 1\n");
    QTest::newRow("short colour") << QByteArray("STASHBOX-BAG 1\nC A =FF\nEND 1\n");
    QTest::newRow("unknown type") << QByteArray("STASHBOX-BAG 1\nZ A =1\nEND 1\n");
    QTest::newRow("after END") << QByteArray("STASHBOX-BAG 1\nEND 0\nI A =1\n");
}

void ComponentTest::malformedBagTextGivesDefaults()
{
    QFETCH(QByteArray, text);
    QString why;
    const PropertyBag bag = PropertyBag::fromText(text, &why);
    QVERIFY(bag.isEmpty());
    QVERIFY(!why.isEmpty());
    QCOMPARE(bag.ReadProperty(QStringLiteral("A"), 5).toInt(), 5);
}

void ComponentTest::formDataKeepsGoodSectionsOfADamagedFile()
{
    PropertyBag one;
    one.WriteProperty(QStringLiteral("Caption"), QStringLiteral("One"), QString());
    FormData form;
    form.setControl(QStringLiteral("Command1"), QStringLiteral("Sample.Control"), one);
    form.setControl(QStringLiteral("Command2"), QStringLiteral("Sample.Control"), one);
    form.setControl(QStringLiteral("Zqtray1"), QStringLiteral("ZqTray_build2.Zqtray"), PropertyBag());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frmTrove.sbf"));
    QVERIFY(form.save(path));
    const FormData back = FormData::load(path);
    QVERIFY(back.problems().isEmpty());
    QCOMPARE(back.toText(), form.toText());

    // The second control's section is damaged: it reads as defaults, the others as written.
    QByteArray text = form.toText();
    text.replace(text.indexOf("=One", text.indexOf("Command2")), 4, "=%G1");
    const FormData damaged = FormData::fromText(text);
    QCOMPARE(damaged.controls().size(), size_t(3));
    QCOMPARE(damaged.problems().size(), 1);
    QCOMPARE(damaged.bag(QStringLiteral("command1")).ReadProperty(QStringLiteral("Caption")).toString(),
             QStringLiteral("One"));
    QVERIFY(damaged.bag(QStringLiteral("Command2")).isEmpty());
    QCOMPARE(damaged.controls()[2].progId, QStringLiteral("ZqTray_build2.Zqtray"));
}

void ComponentTest::controlByProgIdRoundTripsItsBag()
{
    TestConfigHome home;
    RegistryStore store;
    ControlHost host(store, QFileInfo(QStringLiteral(SAMPLE_CONTROL)).absolutePath());
    QString error;
    // Registered by another copy of the program: the host registers the library in its own folder.
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(QStringLiteral("SampleControl.so"));
    QVERIFY(QFile::copy(QStringLiteral(SAMPLE_CONTROL), copy) && ControlHost::registerLibrary(copy));
    std::unique_ptr<QWidget> control(host.CreateControl(QStringLiteral("sample.control"), nullptr, &error));
    QVERIFY2(control, qPrintable(error));
    ComponentRegistration::Entry entry;
    QVERIFY(ComponentRegistration(store).find(QStringLiteral("Sample.Control"), &entry));
    QCOMPARE(entry.libraryPath, QFileInfo(QStringLiteral(SAMPLE_CONTROL)).absoluteFilePath());

    int clicks = 0;
    QVERIFY(ControlHost::connectEvent(control.get(), "Click", this, [&] { ++clicks; }));
    QVERIFY(!ControlHost::connectEvent(control.get(), "NoSuchEvent", this, [] {}));
    QVERIFY(QMetaObject::invokeMethod(control.get(), "Press"));
    QCOMPARE(clicks, 1);

    QVERIFY(control->setProperty("Caption", QStringLiteral("Saved")));
    PropertyBag bag;
    QVERIFY(ControlHost::WriteProperties(control.get(), bag));
    FormData form;
    form.setControl(QStringLiteral("Command1"), QStringLiteral("Sample.Control"), bag);
    std::unique_ptr<QWidget> second(host.CreateControl(QStringLiteral("Sample.Control"), nullptr, &error));
    QVERIFY(ControlHost::InitProperties(second.get()));
    QCOMPARE(second->property("Caption").toString(), QStringLiteral("New"));
    QVERIFY(
        ControlHost::ReadProperties(second.get(), FormData::fromText(form.toText()).bag(QStringLiteral("Command1"))));
    QCOMPARE(second->property("Caption").toString(), QStringLiteral("Saved"));

    QLibrary library(QStringLiteral(SAMPLE_CONTROL));
    const auto canUnload = reinterpret_cast<DllCanUnloadNowFunction>(library.resolve("DllCanUnloadNow"));
    QCOMPARE(canUnload(), com::S_FALSE);
    control.reset();
    second.reset();
    QCOMPARE(canUnload(), com::S_OK);

    // Unregistering removes the class's keys; CLSID itself, shared with other classes, stays.
    QVERIFY(ControlHost::unregisterLibrary(QStringLiteral(SAMPLE_CONTROL)));
    QVERIFY(!ComponentRegistration(store).find(QStringLiteral("Sample.Control"), &entry));
    winreg::HKEY key = 0;
    QCOMPARE(store.RegOpenKeyEx(winreg::HKEY_CLASSES_ROOT, QStringLiteral("Sample.Control"), 0, winreg::KEY_READ, &key),
             winreg::ERROR_FILE_NOT_FOUND);
    QCOMPARE(store.RegOpenKeyEx(winreg::HKEY_CLASSES_ROOT, QStringLiteral("CLSID\\") + entry.classId, 0,
                                winreg::KEY_READ, &key),
             winreg::ERROR_FILE_NOT_FOUND);
    QCOMPARE(store.RegOpenKeyEx(winreg::HKEY_CLASSES_ROOT, QStringLiteral("CLSID"), 0, winreg::KEY_READ, &key),
             winreg::ERROR_SUCCESS);
    store.RegCloseKey(key);
}

void ComponentTest::missingOrBrokenLibraryIsReported()
{
    TestConfigHome home;
    RegistryStore store;
    QTemporaryDir empty;
    ControlHost host(store, empty.path());
    QString error;
    QVERIFY(!host.CreateControl(QStringLiteral("Sample.Control"), nullptr, &error));
    QCOMPARE(error,
             QStringLiteral("The control \"Sample.Control\" cannot be created: no control library in %1 "
                            "provides it.")
                 .arg(empty.path()));

    // Registered from a copy that is gone by now.
    const QString copy = empty.filePath(QStringLiteral("gone/SampleControl.so"));
    QVERIFY(QDir().mkpath(QFileInfo(copy).path()) && QFile::copy(QStringLiteral(SAMPLE_CONTROL), copy));
    QVERIFY(ControlHost::registerLibrary(copy));
    QVERIFY(QFile::remove(copy));
    QVERIFY(!host.CreateControl(QStringLiteral("Sample.Control"), nullptr, &error));
    QVERIFY2(error.contains(QStringLiteral("its library %1 is missing").arg(copy)), qPrintable(error));

    QVERIFY(ControlHost::registerLibrary(QStringLiteral(SAMPLE_BROKEN)));
    QVERIFY(!host.CreateControl(QStringLiteral("Sample.Broken"), nullptr, &error));
    QVERIFY2(error.endsWith(QStringLiteral("%1 is not its control library.").arg(SAMPLE_BROKEN)), qPrintable(error));
    QVERIFY(!ControlHost::registerLibrary(empty.filePath(QStringLiteral("none.so")), &error));
    QVERIFY2(error.contains(QStringLiteral("cannot be loaded")), qPrintable(error));
}

void ComponentTest::wrongRegistrationsGiveWayToTheLibrariesBeside()
{
    TestConfigHome home;
    RegistryStore store;
    QTemporaryDir folder;
    const QString control = folder.filePath(QStringLiteral("SampleControl.so"));
    const QString other = folder.filePath(QStringLiteral("SampleBroken.so"));
    const QString picture = folder.filePath(QStringLiteral("sbbl.icj"));
    QVERIFY(QFile::copy(QStringLiteral(SAMPLE_CONTROL), control) && QFile::copy(QStringLiteral(SAMPLE_BROKEN), other));
    QFile junk(picture);
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a library") > 0);
    junk.close();
    QVERIFY(ControlHost::registerLibrary(control));
    ComponentRegistration::Entry entry;
    QVERIFY(ComponentRegistration(store).find(QStringLiteral("Sample.Control"), &entry));

    // Another library beside the program, or a picture there: registered again, from the right one.
    QString error;
    for (const QString& wrong : {other, picture}) {
        QVERIFY(ComponentRegistration(store).add(QStringLiteral("Sample.Control"), entry.classId,
                                                 QStringLiteral("Sample control"), wrong));
        ControlHost host(store, folder.path());
        std::unique_ptr<QWidget> made(host.CreateControl(QStringLiteral("Sample.Control"), nullptr, &error));
        QVERIFY2(made, qPrintable(error));
        ComponentRegistration::Entry now;
        QVERIFY(ComponentRegistration(store).find(QStringLiteral("Sample.Control"), &now));
        QCOMPARE(now.libraryPath, control);
    }

    // A hive that is a FIFO, then a registry folder that is a file: the libraries beside are loaded
    // directly, and each host says so once.
    const QString hive = home.hive("HKLM.hive");
    QVERIFY(QFile::remove(hive));
    QCOMPARE(::mkfifo(QFile::encodeName(hive).constData(), 0600), 0);
    const QRegularExpression said(
        QStringLiteral("^Stashbox: the registry store in %1 cannot be used .* the control "
                       "libraries in %2 are loaded directly\\.$")
            .arg(QRegularExpression::escape(store.registryFolder()), QRegularExpression::escape(folder.path())));
    for (bool folderIsAFile : {false, true}) {
        if (folderIsAFile) {
            QVERIFY(QDir(store.registryFolder()).removeRecursively());
            QFile file(store.registryFolder());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ControlHost host(store, folder.path());
        QTest::ignoreMessage(QtWarningMsg, said);
        std::unique_ptr<QWidget> made(host.CreateControl(QStringLiteral("Sample.Control"), nullptr, &error));
        QVERIFY2(made, qPrintable(error));
        QTest::failOnWarning(said);
        QVERIFY(!host.CreateControl(QStringLiteral("Sample.Broken"), nullptr, &error));
    }
}

QTEST_MAIN(ComponentTest)
#include "tst_component.moc"
