#include "componentregistration.h"

#include "registrystore.h"

using namespace winreg;

namespace {

QString describe(LONG rc)
{
    return QStringLiteral("registry error %1").arg(rc);
}

LONG writeDefault(RegistryStore& store, const QString& path, const QString& text)
{
    HKEY key = 0;
    LONG rc = store.RegCreateKeyEx(HKEY_CLASSES_ROOT, path, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const QByteArray data = text.toUtf8() + '\0';
    rc = store.RegSetValueEx(key, QString(), REG_SZ, reinterpret_cast<const quint8*>(data.constData()),
                             quint32(data.size()));
    store.RegCloseKey(key);
    return rc;
}

LONG readDefault(RegistryStore& store, const QString& path, QString* text)
{
    HKEY key = 0;
    LONG rc = store.RegOpenKeyEx(HKEY_CLASSES_ROOT, path, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    quint32 type = 0;
    quint32 size = 0;
    rc = store.RegQueryValueEx(key, QString(), &type, nullptr, &size);
    QByteArray data(qsizetype(size), '\0');
    if (rc == ERROR_SUCCESS)
        rc = store.RegQueryValueEx(key, QString(), &type, reinterpret_cast<quint8*>(data.data()), &size);
    store.RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_SZ)
        return ERROR_FILE_NOT_FOUND;
    *text = QString::fromUtf8(data.first(size).endsWith('\0') ? data.first(size).chopped(1) : data.first(size));
    return ERROR_SUCCESS;
}

QString classKey(const QString& classId)
{
    return QStringLiteral("CLSID\\") + classId;
}

} // namespace

ComponentRegistration::ComponentRegistration(RegistryStore& store)
    : m_store(store)
{
}

bool ComponentRegistration::add(const QString& progId, const QString& classId, const QString& description,
                                const QString& libraryPath, QString* why)
{
    const QString cls = classKey(classId);
    const std::pair<QString, QString> values[] = {
        {progId, description},
        {progId + QStringLiteral("\\CLSID"), classId},
        {cls, description},
        {cls + QStringLiteral("\\InprocServer32"), libraryPath},
        {cls + QStringLiteral("\\ProgID"), progId},
    };
    for (const auto& [path, text] : values) {
        const LONG rc = writeDefault(m_store, path, text);
        if (rc != ERROR_SUCCESS) {
            if (why)
                *why = QStringLiteral("cannot write HKEY_CLASSES_ROOT\\%1: %2").arg(path, describe(rc));
            return false;
        }
    }
    return true;
}

bool ComponentRegistration::remove(const QString& progId, const QString& classId, QString* why)
{
    QString registered;
    const bool progIdIsOurs = readDefault(m_store, progId + QStringLiteral("\\CLSID"), &registered) == ERROR_SUCCESS
        && registered.compare(classId, Qt::CaseInsensitive) == 0;
    const QString cls = classKey(classId);
    QStringList keys{cls + QStringLiteral("\\InprocServer32"), cls + QStringLiteral("\\ProgID"), cls};
    if (progIdIsOurs)
        keys = QStringList{progId + QStringLiteral("\\CLSID"), progId} + keys;
    bool ok = true;
    for (const QString& path : keys) {
        const LONG rc = m_store.RegDeleteKey(HKEY_CLASSES_ROOT, path);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            if (why && ok)
                *why = QStringLiteral("cannot delete HKEY_CLASSES_ROOT\\%1: %2").arg(path, describe(rc));
            ok = false;
        }
    }
    return ok;
}

bool ComponentRegistration::find(const QString& progId, Entry* entry, QString* why) const
{
    Entry found;
    LONG rc = readDefault(m_store, progId + QStringLiteral("\\CLSID"), &found.classId);
    if (rc == ERROR_SUCCESS)
        rc = readDefault(m_store, classKey(found.classId) + QStringLiteral("\\InprocServer32"), &found.libraryPath);
    if (rc != ERROR_SUCCESS || found.libraryPath.isEmpty()) {
        if (why)
            *why = rc == ERROR_FILE_NOT_FOUND || rc == ERROR_SUCCESS ? QStringLiteral("not registered") : describe(rc);
        return false;
    }
    *entry = found;
    return true;
}
