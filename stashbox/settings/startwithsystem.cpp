#include "startwithsystem.h"

#include "registrystore.h"

using namespace winreg;

bool StartWithSystem::apply(RegistryStore& registry, bool on, const QString& programPath)
{
    HKEY key = 0;
    if (on) {
        if (registry.RegCreateKeyEx(HKEY_CURRENT_USER, RunKey, REG_OPTION_NON_VOLATILE, 0x3F, &key) != ERROR_SUCCESS)
            return false;
        // A path with blanks is quoted, or it would be read as a program with arguments.
        const QString command =
            programPath.contains(QLatin1Char(' ')) ? QLatin1Char('"') + programPath + QLatin1Char('"') : programPath;
        const QByteArray data = command.toUtf8() + '\0';
        const LONG rc = registry.RegSetValueEx(key, ValueName, REG_SZ,
                                               reinterpret_cast<const quint8*>(data.constData()), quint32(data.size()));
        registry.RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    if (registry.RegOpenKeyEx(HKEY_CURRENT_USER, RunKey, 0, 0x3F, &key) != ERROR_SUCCESS)
        return false;
    const LONG rc = registry.RegDeleteValue(key, ValueName);
    registry.RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

QString StartWithSystem::current(RegistryStore& registry)
{
    HKEY key = 0;
    if (registry.RegOpenKeyEx(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    quint32 type = 0;
    quint32 size = 0;
    QString value;
    if (registry.RegQueryValueEx(key, ValueName, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        QByteArray data(qsizetype(size), '\0');
        if (registry.RegQueryValueEx(key, ValueName, &type, reinterpret_cast<quint8*>(data.data()), &size)
            == ERROR_SUCCESS) {
            data.truncate(data.indexOf('\0') >= 0 ? data.indexOf('\0') : data.size());
            value = QString::fromUtf8(data);
        }
    }
    registry.RegCloseKey(key);
    return value;
}
