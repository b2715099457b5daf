#include "cregistry.h"

#include "registrystore.h"

#include <QtEndian>

#include <limits>

using namespace winreg;

namespace {

// The ANSI calls cannot name a sub-key longer than this; the buffer holds it and its NUL.
constexpr quint32 kSubKeyBuffer = 256;

bool isDwordInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort: return true;
    default: return false;
    }
}

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool: return true;
    default: return false;
    }
}

// Empty, the empty string and any numeric zero (False included) all count as "no value".
// Byte arrays never do: an empty one is a real zero-length binary value.
bool equalsEmpty(const QVariant& v)
{
    if (!v.isValid())
        return true;
    if (v.typeId() == QMetaType::QString)
        return v.toString().isEmpty();
    if (isNumber(v))
        return v.toDouble() == 0.0;
    return false;
}

// "%" and another "%" at least two characters further on, as in %WINDIR%.
bool looksExpandable(const QString& text)
{
    const qsizetype first = text.indexOf(QLatin1Char('%'));
    return first >= 0 && text.lastIndexOf(QLatin1Char('%')) - first >= 2;
}

// Stored text ends in one NUL; anything without one (written by someone else) is kept whole.
QString textOf(const QByteArray& data)
{
    return QString::fromUtf8(data.endsWith('\0') ? data.chopped(1) : data);
}

} // namespace

Cregistry::Cregistry()
    : m_ownStore(std::make_unique<RegistryStore>())
    , m_store(m_ownStore.get())
{
}

Cregistry::Cregistry(RegistryStore& store)
    : m_store(&store)
{
}

Cregistry::~Cregistry() = default;

bool Cregistry::KeyExists() const
{
    HKEY key = 0;
    if (m_store->RegOpenKeyEx(m_classKey, m_sectionKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    m_store->RegCloseKey(key);
    return true;
}

bool Cregistry::CreateKey()
{
    HKEY key = 0;
    if (m_store->RegCreateKeyEx(m_classKey, m_sectionKey, REG_OPTION_NON_VOLATILE, KEY_SPECIFIC_RIGHTS, &key)
        != ERROR_SUCCESS)
        return false;
    m_store->RegCloseKey(key);
    return true;
}

bool Cregistry::DeleteKey()
{
    return m_store->RegDeleteKey(m_classKey, m_sectionKey) == ERROR_SUCCESS;
}

bool Cregistry::DeleteValue()
{
    HKEY key = 0;
    if (m_store->RegOpenKeyEx(m_classKey, m_sectionKey, 0, KEY_SPECIFIC_RIGHTS, &key) != ERROR_SUCCESS)
        return false;
    const bool deleted = m_store->RegDeleteValue(key, m_valueKey) == ERROR_SUCCESS;
    m_store->RegCloseKey(key);
    return deleted;
}

QVariant Cregistry::Value()
{
    HKEY key = 0;
    if (m_store->RegOpenKeyEx(m_classKey, m_sectionKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return m_default;
    quint32 type = 0;
    quint32 size = 0;
    LONG rc = m_store->RegQueryValueEx(key, m_valueKey, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) {
        m_store->RegCloseKey(key);
        return m_default;
    }
    m_valueType = type;
    QByteArray data(qsizetype(size), '\0');
    rc = m_store->RegQueryValueEx(key, m_valueKey, &type, reinterpret_cast<quint8*>(data.data()), &size);
    m_store->RegCloseKey(key);
    // Changed by someone else between the two questions: report what is there now, or nothing.
    if (rc != ERROR_SUCCESS)
        return m_default;
    m_valueType = type;
    data.truncate(qsizetype(size));

    switch (type) {
    case REG_SZ:
    case REG_MULTI_SZ: return textOf(data);
    case REG_EXPAND_SZ: return ExpandEnvString(textOf(data));
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        // Anything but four bytes is not a number this class can give back.
        if (data.size() != 4)
            return m_default;
        const auto number = qFromLittleEndian<qint32>(data.constData());
        return type == REG_DWORD ? number : SwapLong(number);
    }
    default: return data;
    }
}

void Cregistry::setValue(const QVariant& value)
{
    QVariant v = value;
    const bool dwordType = m_valueType == REG_DWORD || m_valueType == REG_DWORD_BIG_ENDIAN;
    // A numeric zero given for a DWORD is the number 0, not "no value".
    if (equalsEmpty(v) && !(dwordType && isDwordInteger(v)))
        v = QStringLiteral("0");

    HKEY key = 0;
    if (m_store->RegCreateKeyEx(m_classKey, m_sectionKey, REG_OPTION_NON_VOLATILE, KEY_SPECIFIC_RIGHTS, &key)
        != ERROR_SUCCESS)
        return;
    switch (m_valueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const QString text = v.toString();
        const QByteArray bytes = text.toUtf8() + '\0';
        m_store->RegSetValueEx(key, m_valueKey, looksExpandable(text) ? REG_EXPAND_SZ : REG_SZ,
                               reinterpret_cast<const quint8*>(bytes.constData()), quint32(bytes.size()));
        break;
    }
    case REG_BINARY:
        if (v.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = v.toByteArray();
            m_store->RegSetValueEx(key, m_valueKey, REG_BINARY, reinterpret_cast<const quint8*>(bytes.constData()),
                                   quint32(bytes.size()));
        }
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
        if (isDwordInteger(v)) {
            const auto number = v.typeId() == QMetaType::UInt ? qint32(v.toUInt()) : qint32(v.toInt());
            quint8 bytes[4];
            qToLittleEndian(number, bytes);
            m_store->RegSetValueEx(key, m_valueKey, REG_DWORD, bytes, sizeof bytes);
        }
        break;
    default: break;
    }
    m_store->RegCloseKey(key);
}

bool Cregistry::EnumerateValues(QStringList& sKeyNames, qint32& iKeyCount)
{
    sKeyNames.clear();
    iKeyCount = 0;
    HKEY key = 0;
    if (m_store->RegOpenKeyEx(m_classKey, m_sectionKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return true;
    quint32 longest = 0;
    if (m_store->RegQueryInfoKey(key, nullptr, nullptr, nullptr, &longest, nullptr) != ERROR_SUCCESS)
        longest = 0;
    for (quint32 index = 0;; ++index) {
        QString name;
        quint32 length = qMax(longest + 1, 1u);
        if (m_store->RegEnumValue(key, index, &name, &length, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (iKeyCount == std::numeric_limits<qint32>::max()) {
            m_store->RegCloseKey(key);
            return false;
        }
        if (sKeyNames.isEmpty())
            sKeyNames.append(QString());
        sKeyNames.append(name.left(qsizetype(length)));
        ++iKeyCount;
    }
    m_store->RegCloseKey(key);
    return true;
}

bool Cregistry::EnumerateSections(QStringList& sSect, qint32& iSectCount)
{
    sSect.clear();
    iSectCount = 0;
    HKEY key = 0;
    const bool open = m_store->RegOpenKeyEx(m_classKey, m_sectionKey, 0, KEY_ENUMERATE_SUB_KEYS, &key) == ERROR_SUCCESS;
    for (quint32 index = 0; open; ++index) {
        QString name;
        if (m_store->RegEnumKey(key, index, &name, kSubKeyBuffer) != ERROR_SUCCESS)
            break;
        if (iSectCount == std::numeric_limits<qint32>::max()) {
            m_store->RegCloseKey(key);
            return false;
        }
        const qsizetype nul = name.indexOf(QChar(0));
        if (sSect.isEmpty())
            sSect.append(QString());
        sSect.append(nul < 0 ? name : name.left(nul));
        ++iSectCount;
    }
    if (open)
        m_store->RegCloseKey(key);
    return true;
}

void Cregistry::WriteClassValue(const QString& sValue)
{
    m_classKey = HKEY_CLASSES_ROOT;
    setValue(sValue);
    const QString remembered = m_sectionKey;
    m_classKey = HKEY_LOCAL_MACHINE;
    m_sectionKey = QStringLiteral("SOFTWARE\\Classes\\") + remembered;
    setValue(sValue);
    m_sectionKey = remembered;
}

void Cregistry::CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                                     const QString& sClassDescription, const QString& sAssociation,
                                     const QString& sOpenMenuText, bool bSupportPrint, const QString& sPrintMenuText,
                                     bool bSupportNew, const QString& sNewMenuText, bool bSupportInstall,
                                     const QString& sInstallMenuText, qint32 lDefaultIconIndex)
{
    QString p = sExePath.trimmed();
    if (!p.startsWith(QLatin1Char('"')))
        p.prepend(QLatin1Char('"'));
    if (!p.endsWith(QLatin1Char('"')))
        p.append(QLatin1Char('"'));
    const QString open = QStringLiteral(" \"%1\"");

    m_sectionKey = QLatin1Char('.') + sAssociation;
    m_valueType = REG_SZ;
    m_valueKey.clear();
    WriteClassValue(sClassName);

    m_sectionKey = sClassName;
    WriteClassValue(sClassDescription);

    const auto verb = [&](const QString& name, const QString& text, const QString& command) {
        m_sectionKey = sClassName + QStringLiteral("\\shell\\") + name;
        m_valueKey.clear();
        WriteClassValue(text);
        m_sectionKey = sClassName + QStringLiteral("\\shell\\") + name + QStringLiteral("\\command");
        m_valueKey.clear();
        WriteClassValue(command);
    };
    verb(QStringLiteral("open"), sOpenMenuText.isEmpty() ? QStringLiteral("&Open") : sOpenMenuText, p + open);
    if (bSupportPrint)
        verb(QStringLiteral("print"), sPrintMenuText.isEmpty() ? QStringLiteral("&Print") : sPrintMenuText,
             p + QStringLiteral(" /p") + open);
    if (bSupportInstall)
        verb(QStringLiteral("add"),
             sInstallMenuText.isEmpty() ? QStringLiteral("&Install ") + sAssociation : sInstallMenuText,
             p + QStringLiteral(" /a") + open);
    if (bSupportNew)
        verb(QStringLiteral("new"), sNewMenuText.isEmpty() ? QStringLiteral("&New") : sNewMenuText,
             p + QStringLiteral(" /n") + open);
    if (lDefaultIconIndex >= 0) {
        m_sectionKey = sClassName + QStringLiteral("\\DefaultIcon");
        m_valueKey.clear();
        WriteClassValue(p + QLatin1Char(',') + QString::number(lDefaultIconIndex));
    }
}

void Cregistry::CreateAdditionalEXEAssociations(const QString& sClassName, const QVariantList& vItems)
{
    if (vItems.size() % 3 != 0)
        return;
    m_sectionKey = sClassName;
    if (!KeyExists())
        return;
    for (qsizetype i = 0; i + 2 < vItems.size(); i += 3) {
        const QString verb = vItems[i].toString();
        m_valueType = REG_SZ;
        m_sectionKey = sClassName + QStringLiteral("\\shell\\") + verb;
        m_valueKey.clear();
        WriteClassValue(vItems[i + 1].toString());
        m_sectionKey = sClassName + QStringLiteral("\\shell\\") + verb + QStringLiteral("\\command");
        m_valueKey.clear();
        WriteClassValue(vItems[i + 2].toString());
    }
}

qint32 Cregistry::SwapLong(qint32 value)
{
    return qint32(qbswap(quint32(value)));
}

QString Cregistry::ExpandEnvString(const QString& text)
{
    const quint32 needed = RegistryStore::ExpandEnvironmentStrings(text, nullptr, 0);
    if (needed == 0)
        return text;
    QString expanded;
    if (RegistryStore::ExpandEnvironmentStrings(text, &expanded, needed) != needed)
        return text;
    return expanded;
}
