#include "cregistry.h"
#include "registrystore.h"
#include "testconfighome.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace winreg;

namespace {

struct Raw
{
    LONG rc = -1;
    quint32 type = 0;
    QByteArray data;
};

Raw rawValue(RegistryStore& store, HKEY root, const QString& path, const QString& name)
{
    Raw raw;
    HKEY key = 0;
    raw.rc = store.RegOpenKeyEx(root, path, 0, KEY_QUERY_VALUE, &key);
    if (raw.rc != ERROR_SUCCESS)
        return raw;
    QByteArray buffer(4096, 0);
    quint32 size = quint32(buffer.size());
    raw.rc = store.RegQueryValueEx(key, name, &raw.type, reinterpret_cast<quint8*>(buffer.data()), &size);
    raw.data = buffer.first(size);
    store.RegCloseKey(key);
    return raw;
}

LONG setRaw(RegistryStore& store, HKEY root, const QString& path, const QString& name, quint32 type,
            const QByteArray& data)
{
    HKEY key = 0;
    LONG rc = store.RegCreateKeyEx(root, path, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = store.RegSetValueEx(key, name, type, reinterpret_cast<const quint8*>(data.constData()), quint32(data.size()));
    store.RegCloseKey(key);
    return rc;
}

QByteArray sz(const char* text)
{
    return QByteArray(text) + '\0';
}

} // namespace

class TestCregistry final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newObjectAddressesNothing();
    void textIsStoredWithItsNulAndReadBack();
    void expandableTextIsDetectedOnWrite_data();
    void expandableTextIsDetectedOnWrite();
    void expandableTextIsExpandedOnRead();
    void dwordWritesTakeOnlyIntegers_data();
    void dwordWritesTakeOnlyIntegers();
    void bigEndianDwordIsSwappedOnRead();
    void binaryRoundTripAndOtherTypesAsBytes();
    void emptyValuesBecomeTheTextZero_data();
    void emptyValuesBecomeTheTextZero();
    void multiStringKeepsItsSeparators();
    void unreadableValuesGiveTheDefault();
    void keyLifecycleAndQueryPermission();
    void deleteValueReportsOnlyRealDeletions();
    void enumerationsFillFromIndexOne();
    void exeAssociationWritesTheExactCommands();
    void additionalAssociationsNeedTriplesAndAnExistingClass();

private:
    std::unique_ptr<TestConfigHome> m_home;
    std::unique_ptr<RegistryStore> m_store;
    std::unique_ptr<Cregistry> m_reg;
};

void TestCregistry::init()
{
    m_home = std::make_unique<TestConfigHome>();
    QVERIFY(m_home->isValid());
    m_store = std::make_unique<RegistryStore>();
    m_reg = std::make_unique<Cregistry>(*m_store);
    m_reg->setClassKey(HKEY_CURRENT_USER);
    m_reg->setSectionKey(QStringLiteral("Software\\Stashbox\\Test"));
    m_reg->setValueKey(QStringLiteral("Item"));
}

void TestCregistry::cleanup()
{
    QCOMPARE(m_store->openHandleCount(), 0);
    m_reg.reset();
    m_store.reset();
    m_home.reset();
}

void TestCregistry::newObjectAddressesNothing()
{
    Cregistry fresh;
    QCOMPARE(fresh.ClassKey(), 0u);
    QCOMPARE(fresh.SectionKey(), QString());
    QCOMPARE(fresh.ValueKey(), QString());
    QCOMPARE(fresh.ValueType(), 0u);
    QVERIFY(!fresh.Default().isValid());

    // Root 0 is no key: everything fails quietly and nothing is written.
    fresh.setDefault(QStringLiteral("fallback"));
    QCOMPARE(fresh.Value(), QVariant(QStringLiteral("fallback")));
    QVERIFY(!fresh.KeyExists());
    QVERIFY(!fresh.CreateKey());
    QVERIFY(!fresh.DeleteValue());
    fresh.setValueType(REG_SZ);
    fresh.setValue(QStringLiteral("x"));
    QStringList names{QStringLiteral("stale")};
    qint32 count = 99;
    QVERIFY(fresh.EnumerateValues(names, count));
    QCOMPARE(count, 0);
    QVERIFY(names.isEmpty());
    QVERIFY(!QFile::exists(m_home->hive("HKCU.hive")));
}

void TestCregistry::textIsStoredWithItsNulAndReadBack()
{
    m_reg->setValueType(REG_SZ);
    m_reg->setValue(QStringLiteral("Gr\u00FC\u00DFe aus K\u00F6ln"));
    const Raw raw = rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"));
    QCOMPARE(raw.rc, ERROR_SUCCESS);
    QCOMPARE(raw.type, REG_SZ);
    // Every byte of the multi-byte text plus one NUL: nothing cut off.
    QCOMPARE(raw.data,
             sz("Gr\xC3\xBC\xC3\x9F"
                "e aus K\xC3\xB6ln"));

    Cregistry reader(*m_store);
    reader.setClassKey(HKEY_CURRENT_USER);
    reader.setSectionKey(QStringLiteral("software\\STASHBOX\\test"));
    reader.setValueKey(QStringLiteral("ITEM"));
    const QVariant v = reader.Value();
    QCOMPARE(v.typeId(), int(QMetaType::QString));
    QCOMPARE(v.toString(), QStringLiteral("Gr\u00FC\u00DFe aus K\u00F6ln"));
    QCOMPARE(reader.ValueType(), REG_SZ);

    // The default value of a key is addressed by the empty name.
    m_reg->setValueKey(QString());
    m_reg->setValue(QStringLiteral("default"));
    QCOMPARE(rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QString()).data, sz("default"));
}

void TestCregistry::expandableTextIsDetectedOnWrite_data()
{
    QTest::addColumn<quint32>("valueType");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("stored");

    QTest::newRow("variable as REG_SZ") << REG_SZ << QStringLiteral("%WINDIR%\\notepad.exe") << REG_EXPAND_SZ;
    QTest::newRow("single percent") << REG_SZ << QStringLiteral("100% sure") << REG_SZ;
    QTest::newRow("adjacent percents") << REG_SZ << QStringLiteral("a%%b") << REG_SZ;
    QTest::newRow("one character between") << REG_SZ << QStringLiteral("%a%") << REG_EXPAND_SZ;
    QTest::newRow("first and last far apart") << REG_SZ << QStringLiteral("%%x%") << REG_EXPAND_SZ;
    QTest::newRow("plain text asked as REG_EXPAND_SZ") << REG_EXPAND_SZ << QStringLiteral("C:\\x") << REG_SZ;
    QTest::newRow("open command") << REG_SZ << QStringLiteral("\"/opt/app\" \"%1\"") << REG_SZ;
}

void TestCregistry::expandableTextIsDetectedOnWrite()
{
    QFETCH(quint32, valueType);
    QFETCH(QString, text);
    QFETCH(quint32, stored);
    m_reg->setValueType(valueType);
    m_reg->setValue(text);
    const Raw raw = rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"));
    QCOMPARE(raw.rc, ERROR_SUCCESS);
    QCOMPARE(raw.type, stored);
    QCOMPARE(raw.data, text.toUtf8() + '\0');
}

void TestCregistry::expandableTextIsExpandedOnRead()
{
    qputenv("STASHBOX_CR_HOME", "/home/somebody");
    m_reg->setValueType(REG_SZ);
    m_reg->setValue(QStringLiteral("%STASHBOX_CR_HOME%/clips"));
    m_reg->setValueType(0);
    QCOMPARE(m_reg->Value(), QVariant(QStringLiteral("/home/somebody/clips")));
    QCOMPARE(m_reg->ValueType(), REG_EXPAND_SZ);
    // Unknown variables stay as written.
    qunsetenv("STASHBOX_CR_HOME");
    QCOMPARE(m_reg->Value(), QVariant(QStringLiteral("%STASHBOX_CR_HOME%/clips")));
}

void TestCregistry::dwordWritesTakeOnlyIntegers_data()
{
    QTest::addColumn<quint32>("valueType");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("int") << REG_DWORD << QVariant(5) << true << QByteArray("\x05\0\0\0", 4);
    QTest::newRow("negative int") << REG_DWORD << QVariant(-2) << true << QByteArray("\xFE\xFF\xFF\xFF", 4);
    QTest::newRow("16-bit") << REG_DWORD << QVariant::fromValue<short>(0x1234) << true << QByteArray("\x34\x12\0\0", 4);
    QTest::newRow("unsigned 32-bit") << REG_DWORD << QVariant(0x80000001u) << true << QByteArray("\x01\0\0\x80", 4);
    QTest::newRow("zero is a number") << REG_DWORD << QVariant(0) << true << QByteArray("\0\0\0\0", 4);
    QTest::newRow("big-endian asked, little-endian stored")
        << REG_DWORD_BIG_ENDIAN << QVariant(0x01020304) << true << QByteArray("\x04\x03\x02\x01", 4);
    QTest::newRow("digit as text") << REG_DWORD << QVariant(QStringLiteral("5")) << false << QByteArray();
    QTest::newRow("64-bit") << REG_DWORD << QVariant(qint64(5)) << false << QByteArray();
    QTest::newRow("double") << REG_DWORD << QVariant(5.0) << false << QByteArray();
    QTest::newRow("empty") << REG_DWORD << QVariant() << false << QByteArray();
    QTest::newRow("binary wants a byte array") << REG_BINARY << QVariant(5) << false << QByteArray();
    QTest::newRow("multi-string is never written")
        << REG_MULTI_SZ << QVariant(QStringLiteral("a")) << false << QByteArray();
    QTest::newRow("type 0 is never written") << REG_NONE << QVariant(QStringLiteral("a")) << false << QByteArray();
}

void TestCregistry::dwordWritesTakeOnlyIntegers()
{
    QFETCH(quint32, valueType);
    QFETCH(QVariant, value);
    QFETCH(bool, stored);
    QFETCH(QByteArray, bytes);
    m_reg->setValueType(valueType);
    m_reg->setValue(value);
    const Raw raw = rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"));
    if (!stored) {
        QCOMPARE(raw.rc, ERROR_FILE_NOT_FOUND);
        return;
    }
    QCOMPARE(raw.rc, ERROR_SUCCESS);
    QCOMPARE(raw.type, REG_DWORD);
    QCOMPARE(raw.data, bytes);
    const QVariant back = m_reg->Value();
    QCOMPARE(back.typeId(), int(QMetaType::Int));
    QCOMPARE(back.toInt(), qint32(qFromLittleEndian<quint32>(bytes.constData())));
    QCOMPARE(m_reg->ValueType(), REG_DWORD);
}

void TestCregistry::bigEndianDwordIsSwappedOnRead()
{
    QCOMPARE(setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_DWORD_BIG_ENDIAN,
                    QByteArray("\x12\x34\x56\x78", 4)),
             ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(0x12345678));
    QCOMPARE(m_reg->ValueType(), REG_DWORD_BIG_ENDIAN);
    QCOMPARE(setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_DWORD_BIG_ENDIAN,
                    QByteArray("\xFF\xFF\xFF\xFE", 4)),
             ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(-2));
}

void TestCregistry::binaryRoundTripAndOtherTypesAsBytes()
{
    const QByteArray blob("\0\xFF\x10\0 x\n", 7);
    m_reg->setValueType(REG_BINARY);
    m_reg->setValue(blob);
    m_reg->setValueType(0);
    QVariant back = m_reg->Value();
    QCOMPARE(back.typeId(), int(QMetaType::QByteArray));
    QCOMPARE(back.toByteArray(), blob);
    QCOMPARE(back.toByteArray()[0], '\0');
    QCOMPARE(m_reg->ValueType(), REG_BINARY);

    // A zero-length binary value is a value, not a failure.
    m_reg->setDefault(QStringLiteral("missing"));
    m_reg->setValueType(REG_BINARY);
    m_reg->setValue(QByteArray());
    back = m_reg->Value();
    QCOMPARE(back.typeId(), int(QMetaType::QByteArray));
    QVERIFY(back.toByteArray().isEmpty());

    // Types without their own reading come back as their bytes.
    QCOMPARE(setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_QWORD,
                    QByteArray("\1\2\3\4\5\6\7\x08", 8)),
             ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(QByteArray("\1\2\3\4\5\6\7\x08", 8)));
    QCOMPARE(m_reg->ValueType(), REG_QWORD);
}

void TestCregistry::emptyValuesBecomeTheTextZero_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("Empty") << QVariant();
    QTest::newRow("empty string") << QVariant(QString());
    QTest::newRow("int 0") << QVariant(0);
    QTest::newRow("double 0") << QVariant(0.0);
    QTest::newRow("False") << QVariant(false);
}

void TestCregistry::emptyValuesBecomeTheTextZero()
{
    QFETCH(QVariant, value);
    m_reg->setValueType(REG_SZ);
    m_reg->setValue(value);
    const Raw raw = rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"));
    QCOMPARE(raw.rc, ERROR_SUCCESS);
    QCOMPARE(raw.type, REG_SZ);
    QCOMPARE(raw.data, sz("0"));
}

void TestCregistry::multiStringKeepsItsSeparators()
{
    QCOMPARE(setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_MULTI_SZ,
                    QByteArray("one\0two\0\0", 9)),
             ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(QString::fromUtf8("one\0two\0", 8)));
    QCOMPARE(m_reg->ValueType(), REG_MULTI_SZ);
    // A string written by someone else without its NUL loses no character.
    QCOMPARE(
        setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_SZ, QByteArray("abc")),
        ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(QStringLiteral("abc")));
    QCOMPARE(setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_SZ, QByteArray()),
             ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(QString()));
}

void TestCregistry::unreadableValuesGiveTheDefault()
{
    m_reg->setDefault(42);
    m_reg->setValueType(REG_BINARY);
    QCOMPARE(m_reg->Value(), QVariant(42));
    QCOMPARE(m_reg->ValueType(), REG_BINARY);

    QVERIFY(m_reg->CreateKey());
    QCOMPARE(m_reg->Value(), QVariant(42));

    // A DWORD of the wrong length is not a number.
    QCOMPARE(setRaw(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item"), REG_DWORD,
                    QByteArray("\1\2", 2)),
             ERROR_SUCCESS);
    QCOMPARE(m_reg->Value(), QVariant(42));

    // A bad key path reads the default and writes nothing.
    m_reg->setSectionKey(QStringLiteral("Software\\\\Broken"));
    QCOMPARE(m_reg->Value(), QVariant(42));
    m_reg->setValueType(REG_SZ);
    m_reg->setValue(QStringLiteral("x"));
    QStringList sections;
    qint32 count = 0;
    m_reg->setSectionKey(QStringLiteral("Software"));
    QVERIFY(m_reg->EnumerateSections(sections, count));
    QCOMPARE(sections, (QStringList{QString(), QStringLiteral("Microsoft"), QStringLiteral("Stashbox")}));
}

void TestCregistry::keyLifecycleAndQueryPermission()
{
    QVERIFY(!m_reg->KeyExists());
    QVERIFY(!m_reg->DeleteKey());
    QVERIFY(m_reg->CreateKey());
    QVERIFY(m_reg->KeyExists());
    QVERIFY(m_reg->CreateKey());
    QVERIFY(m_reg->DeleteKey());
    QVERIFY(!m_reg->KeyExists());

    // A key whose values may not be queried does not "exist" for this class, though it is there.
    QVERIFY(m_reg->CreateKey());
    QCOMPARE(m_store->RegSetKeyDeniedAccess(HKEY_CURRENT_USER, m_reg->SectionKey(), KEY_QUERY_VALUE), ERROR_SUCCESS);
    QVERIFY(!m_reg->KeyExists());
    m_reg->setSectionKey(QStringLiteral("Software\\Stashbox"));
    QStringList sections;
    qint32 count = 0;
    QVERIFY(m_reg->EnumerateSections(sections, count));
    QCOMPARE(count, 1);
    QCOMPARE(sections.value(1), QStringLiteral("Test"));

    // A key with sub-keys stays.
    QVERIFY(!m_reg->DeleteKey());
    QVERIFY(m_reg->KeyExists());
}

void TestCregistry::deleteValueReportsOnlyRealDeletions()
{
    // Missing key.
    QVERIFY(!m_reg->DeleteValue());
    m_reg->setValueType(REG_SZ);
    m_reg->setValue(QStringLiteral("keep me"));
    m_reg->setValueKey(QStringLiteral("Other"));
    m_reg->setValue(QStringLiteral("and me"));
    QFile hive(m_home->hive("HKCU.hive"));
    QVERIFY(hive.open(QIODevice::ReadOnly));
    const QByteArray before = hive.readAll();
    hive.close();

    // Missing value: False, nothing changes.
    m_reg->setValueKey(QStringLiteral("Absent"));
    QVERIFY(!m_reg->DeleteValue());
    QVERIFY(hive.open(QIODevice::ReadOnly));
    QCOMPARE(hive.readAll(), before);
    hive.close();

    m_reg->setValueKey(QStringLiteral("ITEM"));
    QVERIFY(m_reg->DeleteValue());
    QVERIFY(!m_reg->DeleteValue());
    QCOMPARE(rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Item")).rc,
             ERROR_FILE_NOT_FOUND);
    QCOMPARE(rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Other")).data, sz("and me"));

    // Write access refused on the key: False.
    QCOMPARE(m_store->RegSetKeyDeniedAccess(HKEY_CURRENT_USER, m_reg->SectionKey(), KEY_SET_VALUE), ERROR_SUCCESS);
    m_reg->setValueKey(QStringLiteral("Other"));
    QVERIFY(!m_reg->DeleteValue());
    QCOMPARE(rawValue(*m_store, HKEY_CURRENT_USER, m_reg->SectionKey(), QStringLiteral("Other")).rc, ERROR_SUCCESS);
}

void TestCregistry::enumerationsFillFromIndexOne()
{
    QStringList names{QStringLiteral("stale")};
    qint32 count = -1;
    QVERIFY(m_reg->EnumerateValues(names, count));
    QCOMPARE(count, 0);
    QVERIFY(names.isEmpty());
    QVERIFY(m_reg->EnumerateSections(names, count));
    QCOMPARE(count, 0);
    QVERIFY(names.isEmpty());

    m_reg->setValueType(REG_SZ);
    const QString longName(300, QLatin1Char('L'));
    for (const QString& name : {QStringLiteral("b"), longName, QString(), QStringLiteral("a")}) {
        m_reg->setValueKey(name);
        m_reg->setValue(QStringLiteral("x"));
    }
    QVERIFY(m_reg->EnumerateValues(names, count));
    QCOMPARE(count, 4);
    QCOMPARE(names, (QStringList{QString(), QStringLiteral("b"), longName, QString(), QStringLiteral("a")}));

    // Sub-key names up to the longest allowed all come through.
    const QString longest(kMaxKeyNameLength, QLatin1Char('k'));
    for (const QString& sub : {QStringLiteral("Zed"), longest, QStringLiteral("alpha")}) {
        m_reg->setSectionKey(QStringLiteral("Software\\Stashbox\\Test\\") + sub);
        QVERIFY(m_reg->CreateKey());
    }
    m_reg->setSectionKey(QStringLiteral("Software\\Stashbox\\Test"));
    QVERIFY(m_reg->EnumerateSections(names, count));
    QCOMPARE(count, 3);
    QCOMPARE(names, (QStringList{QString(), QStringLiteral("alpha"), longest, QStringLiteral("Zed")}));
}

void TestCregistry::exeAssociationWritesTheExactCommands()
{
    m_reg->setClassKey(HKEY_CURRENT_USER);
    m_reg->CreateEXEAssociation(QStringLiteral("  /opt/stash box/stashbox "), QStringLiteral("Stashbox.Data"),
                                QStringLiteral("Stashbox data file"), QStringLiteral("sbx"), QString(), true, QString(),
                                true, QString(), true, QString(), 2);
    QCOMPARE(m_reg->ClassKey(), HKEY_LOCAL_MACHINE);

    const QString exe = QStringLiteral("\"/opt/stash box/stashbox\"");
    const QList<QPair<QString, QString>> expected{
        {QStringLiteral(".sbx"), QStringLiteral("Stashbox.Data")},
        {QStringLiteral("Stashbox.Data"), QStringLiteral("Stashbox data file")},
        {QStringLiteral("Stashbox.Data\\shell\\open"), QStringLiteral("&Open")},
        {QStringLiteral("Stashbox.Data\\shell\\open\\command"), exe + QStringLiteral(" \"%1\"")},
        {QStringLiteral("Stashbox.Data\\shell\\print"), QStringLiteral("&Print")},
        {QStringLiteral("Stashbox.Data\\shell\\print\\command"), exe + QStringLiteral(" /p \"%1\"")},
        {QStringLiteral("Stashbox.Data\\shell\\add"), QStringLiteral("&Install sbx")},
        {QStringLiteral("Stashbox.Data\\shell\\add\\command"), exe + QStringLiteral(" /a \"%1\"")},
        {QStringLiteral("Stashbox.Data\\shell\\new"), QStringLiteral("&New")},
        {QStringLiteral("Stashbox.Data\\shell\\new\\command"), exe + QStringLiteral(" /n \"%1\"")},
        {QStringLiteral("Stashbox.Data\\DefaultIcon"), exe + QStringLiteral(",2")},
    };
    for (const auto& [path, text] : expected) {
        const Raw raw = rawValue(*m_store, HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Classes\\") + path, QString());
        QCOMPARE(raw.rc, ERROR_SUCCESS);
        QCOMPARE(raw.type, REG_SZ);
        QCOMPARE(QString::fromUtf8(raw.data), text + QChar(0));
        QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, path, QString()).data, raw.data);
    }
    // Nothing landed in the user's hive.
    QCOMPARE(rawValue(*m_store, HKEY_CURRENT_USER, QStringLiteral(".sbx"), QString()).rc, ERROR_FILE_NOT_FOUND);

    // A quoted path is not quoted again; own menu texts replace the defaults; no verbs or icon unless asked.
    m_reg->setClassKey(HKEY_CURRENT_USER);
    m_reg->CreateEXEAssociation(QStringLiteral("\"/usr/bin/viewer\""), QStringLiteral("Viewer.Doc"),
                                QStringLiteral("Doc"), QStringLiteral("vdoc"), QStringLiteral("&View"), false,
                                QStringLiteral("never"), false, QString(), false, QString(), -1);
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Viewer.Doc\\shell\\open"), QString()).data,
             sz("&View"));
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Viewer.Doc\\shell\\open\\command"), QString()).data,
             sz("\"/usr/bin/viewer\" \"%1\""));
    m_reg->setClassKey(HKEY_CLASSES_ROOT);
    m_reg->setSectionKey(QStringLiteral("Viewer.Doc\\shell"));
    QStringList verbs;
    qint32 count = 0;
    QVERIFY(m_reg->EnumerateSections(verbs, count));
    QCOMPARE(verbs, (QStringList{QString(), QStringLiteral("open")}));
    m_reg->setSectionKey(QStringLiteral("Viewer.Doc\\DefaultIcon"));
    QVERIFY(!m_reg->KeyExists());
}

void TestCregistry::additionalAssociationsNeedTriplesAndAnExistingClass()
{
    m_reg->CreateEXEAssociation(QStringLiteral("/opt/sb"), QStringLiteral("Sb.Data"), QStringLiteral("Data"),
                                QStringLiteral("sbx"));
    const QVariantList items{QStringLiteral("edit"), QStringLiteral("&Edit"), QStringLiteral("/opt/sb -e \"%1\""),
                             QStringLiteral("show"), QStringLiteral("Sh&ow"), QStringLiteral("/opt/sb -s")};

    // Afterwards the class key is the machine root, where the class is not found: nothing happens.
    QCOMPARE(m_reg->ClassKey(), HKEY_LOCAL_MACHINE);
    m_reg->CreateAdditionalEXEAssociations(QStringLiteral("Sb.Data"), items);
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\edit"), QString()).rc,
             ERROR_FILE_NOT_FOUND);

    m_reg->setClassKey(HKEY_CLASSES_ROOT);
    m_reg->CreateAdditionalEXEAssociations(QStringLiteral("Sb.Data"), items.mid(0, 5));
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\edit"), QString()).rc,
             ERROR_FILE_NOT_FOUND);
    m_reg->setClassKey(HKEY_CLASSES_ROOT);
    m_reg->CreateAdditionalEXEAssociations(QStringLiteral("No.Such.Class"), items);
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("No.Such.Class"), QString()).rc,
             ERROR_FILE_NOT_FOUND);

    m_reg->setClassKey(HKEY_CLASSES_ROOT);
    m_reg->setValueType(REG_BINARY);
    m_reg->CreateAdditionalEXEAssociations(QStringLiteral("Sb.Data"), items);
    QCOMPARE(m_reg->ClassKey(), HKEY_LOCAL_MACHINE);
    QCOMPARE(m_reg->SectionKey(), QStringLiteral("Sb.Data\\shell\\show\\command"));
    const Raw editCommand =
        rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\edit\\command"), QString());
    QCOMPARE(editCommand.type, REG_SZ);
    QCOMPARE(editCommand.data, sz("/opt/sb -e \"%1\""));
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\edit"), QString()).data,
             sz("&Edit"));
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\show"), QString()).data,
             sz("Sh&ow"));
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\show\\command"), QString()).data,
             sz("/opt/sb -s"));
    // The verbs written first are still there.
    QCOMPARE(rawValue(*m_store, HKEY_CLASSES_ROOT, QStringLiteral("Sb.Data\\shell\\open\\command"), QString()).data,
             sz("\"/opt/sb\" \"%1\""));
}

QTEST_GUILESS_MAIN(TestCregistry)
#include "tst_cregistry.moc"
