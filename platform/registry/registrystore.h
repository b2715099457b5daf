#pragma once

#include "registrytypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>

class HiveKey;

// The registry: keys and typed values with the Windows calling conventions and result codes,
// kept in per-user hive files under $XDG_CONFIG_HOME/stashbox/registry (format in FORMAT.md).
//
// - HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS are separate hives; HKEY_CLASSES_ROOT
//   is a view of HKLM\SOFTWARE\Classes and HKEY_CURRENT_CONFIG one of
//   HKLM\SYSTEM\CurrentControlSet\Hardware Profiles\Current.
// - The values of HKCU\Software\Microsoft\Windows\CurrentVersion\Run are the user's XDG autostart
//   entries (see AutostartKey); that key and HKLM\SOFTWARE\Classes always exist.
// - Every call reads the hive afresh; every change re-reads, applies and rewrites it under a lock
//   file, so several processes can share the store and never lose each other's keys.
// - A damaged hive fails the call that finds it with ERROR_REGISTRY_CORRUPT and is renamed to
//   <hive>.damaged-<time> for inspection; the next call starts an empty hive. A hive written by a
//   newer format version fails every call with ERROR_BADDB and is left alone.
// - Key paths are backslash-separated; an empty component (a leading, doubled or trailing
//   backslash) or one longer than 255 characters is ERROR_INVALID_PARAMETER.
// - A key with sub-keys, a hive's root and the two keys that always exist cannot be deleted
//   (ERROR_ACCESS_DENIED).
// - Only non-volatile keys exist (REG_OPTION_VOLATILE is ERROR_INVALID_PARAMETER).
//
// Handles are numbers private to one store object; close what you open.
class RegistryStore final
{
public:
    using HKEY = winreg::HKEY;
    using LONG = winreg::LONG;

    // `configHome` empty: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
    explicit RegistryStore(const QString& configHome = QString());
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const QString& configHome() const { return m_configHome; }
    QString registryFolder() const;
    QString autostartFolder() const;
    // The file of a root's hive; empty for roots that have none of their own.
    QString hivePath(HKEY root) const;

    LONG RegOpenKeyEx(HKEY hKey, const QString& subKey, quint32 options, quint32 samDesired, HKEY* result);
    LONG RegCreateKeyEx(HKEY hKey, const QString& subKey, quint32 options, quint32 samDesired, HKEY* result,
                        quint32* disposition = nullptr);
    LONG RegCloseKey(HKEY hKey);
    // `data` null: only the type and the size are reported. Otherwise ERROR_MORE_DATA (with the
    // size needed in *cbData) when *cbData is too small.
    LONG RegQueryValueEx(HKEY hKey, const QString& valueName, quint32* type, quint8* data, quint32* cbData);
    LONG RegSetValueEx(HKEY hKey, const QString& valueName, quint32 type, const quint8* data, quint32 cbData);
    LONG RegDeleteValue(HKEY hKey, const QString& valueName);
    LONG RegDeleteKey(HKEY hKey, const QString& subKey);
    // `capacity` counts the terminating NUL as the ANSI call's buffer does: a name needs its length + 1.
    LONG RegEnumKey(HKEY hKey, quint32 index, QString* name, quint32 capacity);
    // *cchName: in, the capacity including the NUL; out, the name's length.
    LONG RegEnumValue(HKEY hKey, quint32 index, QString* name, quint32* cchName, quint32* type, quint8* data,
                      quint32* cbData);
    LONG RegQueryInfoKey(HKEY hKey, quint32* subKeys, quint32* maxSubKeyLen, quint32* values, quint32* maxValueNameLen,
                         quint32* maxValueLen);
    // Refuses the given rights (bits of 0x3F) to whoever opens the key from now on; 0 lifts it.
    LONG RegSetKeyDeniedAccess(HKEY hKey, const QString& subKey, quint32 deniedMask);

    static quint32 ExpandEnvironmentStrings(const QString& source, QString* result, quint32 capacity);

    int openHandleCount() const { return int(m_handles.size()); }

private:
    enum class Hive { None, CurrentUser, LocalMachine, Users };
    struct Location
    {
        Hive hive = Hive::None;
        QStringList path;
    };
    struct OpenKey
    {
        Location location;
        quint32 access = 0;
    };

    LONG locate(HKEY hKey, const QString& subKey, Location* where, quint32* handleAccess) const;
    bool isRunKey(const Location& where) const;
    bool isFixedKey(const Location& where) const;
    QString hiveFile(Hive hive) const;
    LONG readHive(Hive hive, const std::function<LONG(const HiveKey&)>& use) const;
    LONG changeHive(Hive hive, const std::function<LONG(HiveKey&, bool*)>& change) const;
    LONG openHandle(HKEY hKey, quint32 need, OpenKey* key) const;
    HKEY newHandle(const Location& where, quint32 access);

    QString m_configHome;
    std::map<HKEY, OpenKey> m_handles;
    HKEY m_nextHandle = 0x100;
};
