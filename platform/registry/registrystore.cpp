#include "registrystore.h"

#include "autostartkey.h"
#include "envexpand.h"
#include "hivefile.h"
#include "hivekey.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include <cstring>

using namespace winreg;

namespace {

// Long enough for a slow disk, short enough that a wedged writer cannot hang a caller for good.
constexpr int kLockTimeoutMs = 10000;

const QStringList kRunPath{QStringLiteral("Software"), QStringLiteral("Microsoft"), QStringLiteral("Windows"),
                           QStringLiteral("CurrentVersion"), QStringLiteral("Run")};
const QStringList kClassesPath{QStringLiteral("SOFTWARE"), QStringLiteral("Classes")};
const QStringList kCurrentConfigPath{QStringLiteral("SYSTEM"), QStringLiteral("CurrentControlSet"),
                                     QStringLiteral("Hardware Profiles"), QStringLiteral("Current")};

bool samePath(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!HiveKey::sameName(a[i], b[i]))
            return false;
    }
    return true;
}

void ensurePath(HiveKey& root, const QStringList& path)
{
    HiveKey* key = &root;
    for (const QString& part : path)
        key = key->addSubkey(part);
}

// Resolves `path` below `root`: ERROR_KEY_DELETED when the part an open handle stands for is gone,
// ERROR_FILE_NOT_FOUND when only the rest is missing.
template <typename Key> LONG lookup(Key& root, const QStringList& path, qsizetype baseDepth, Key** out)
{
    Key* base = root.find(path.first(baseDepth));
    if (!base)
        return ERROR_KEY_DELETED;
    Key* key = base->find(path.sliced(baseDepth));
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    *out = key;
    return ERROR_SUCCESS;
}

LONG copyData(const QByteArray& bytes, quint8* data, quint32* cbData)
{
    const auto size = quint32(bytes.size());
    if (!data) {
        if (cbData)
            *cbData = size;
        return ERROR_SUCCESS;
    }
    if (*cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    if (size > 0)
        std::memcpy(data, bytes.constData(), size);
    *cbData = size;
    return ERROR_SUCCESS;
}

bool isPredefined(HKEY key)
{
    return key >= HKEY_CLASSES_ROOT && key <= 0x8000000Fu;
}

} // namespace

RegistryStore::RegistryStore(const QString& configHome)
    : m_configHome(configHome)
{
    if (m_configHome.isEmpty()) {
        const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
        m_configHome = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.config");
    }
}

RegistryStore::~RegistryStore() = default;

QString RegistryStore::registryFolder() const
{
    return m_configHome + QStringLiteral("/stashbox/registry");
}

QString RegistryStore::autostartFolder() const
{
    return m_configHome + QStringLiteral("/autostart");
}

QString RegistryStore::hiveFile(Hive hive) const
{
    switch (hive) {
    case Hive::CurrentUser: return registryFolder() + QStringLiteral("/HKCU.hive");
    case Hive::LocalMachine: return registryFolder() + QStringLiteral("/HKLM.hive");
    case Hive::Users: return registryFolder() + QStringLiteral("/HKU.hive");
    case Hive::None: break;
    }
    return {};
}

QString RegistryStore::hivePath(HKEY root) const
{
    switch (root) {
    case HKEY_CURRENT_USER: return hiveFile(Hive::CurrentUser);
    case HKEY_LOCAL_MACHINE: return hiveFile(Hive::LocalMachine);
    case HKEY_USERS: return hiveFile(Hive::Users);
    default: return {};
    }
}

bool RegistryStore::isRunKey(const Location& where) const
{
    return where.hive == Hive::CurrentUser && samePath(where.path, kRunPath);
}

bool RegistryStore::isFixedKey(const Location& where) const
{
    if (where.path.isEmpty())
        return true;
    if (where.hive == Hive::CurrentUser)
        return samePath(where.path, kRunPath);
    if (where.hive == Hive::LocalMachine)
        return samePath(where.path, kClassesPath) || samePath(where.path, kCurrentConfigPath);
    return false;
}

LONG RegistryStore::locate(HKEY hKey, const QString& subKey, Location* where, quint32* handleAccess) const
{
    Location base;
    quint32 access = KEY_ALL_ACCESS;
    switch (hKey) {
    case HKEY_CLASSES_ROOT: base = {Hive::LocalMachine, kClassesPath}; break;
    case HKEY_CURRENT_USER: base = {Hive::CurrentUser, {}}; break;
    case HKEY_LOCAL_MACHINE: base = {Hive::LocalMachine, {}}; break;
    case HKEY_USERS: base = {Hive::Users, {}}; break;
    case HKEY_CURRENT_CONFIG: base = {Hive::LocalMachine, kCurrentConfigPath}; break;
    default: {
        const auto it = m_handles.find(hKey);
        if (it == m_handles.end())
            return ERROR_INVALID_HANDLE;
        base = it->second.location;
        access = it->second.access;
        break;
    }
    }
    if (!subKey.isEmpty()) {
        const QStringList parts = subKey.split(QLatin1Char('\\'));
        for (const QString& part : parts) {
            if (part.isEmpty() || part.size() > kMaxKeyNameLength)
                return ERROR_INVALID_PARAMETER;
        }
        if (base.path.size() + parts.size() > kMaxKeyDepth)
            return ERROR_INVALID_PARAMETER;
        base.path += parts;
    }
    *where = base;
    if (handleAccess)
        *handleAccess = access;
    return ERROR_SUCCESS;
}

LONG RegistryStore::openHandle(HKEY hKey, quint32 need, OpenKey* key) const
{
    quint32 access = 0;
    const LONG rc = locate(hKey, QString(), &key->location, &access);
    if (rc != ERROR_SUCCESS)
        return rc;
    if ((access & need) != need)
        return ERROR_ACCESS_DENIED;
    key->access = access;
    return ERROR_SUCCESS;
}

RegistryStore::HKEY RegistryStore::newHandle(const Location& where, quint32 access)
{
    while (m_handles.count(m_nextHandle) != 0 || isPredefined(m_nextHandle) || m_nextHandle == 0)
        m_nextHandle += 4;
    const HKEY handle = m_nextHandle;
    m_nextHandle += 4;
    m_handles.emplace(handle, OpenKey{where, access});
    return handle;
}

static void ensureFixedKeys(HiveKey& root, bool currentUser, bool localMachine)
{
    if (currentUser)
        ensurePath(root, kRunPath);
    if (localMachine) {
        ensurePath(root, kClassesPath);
        ensurePath(root, kCurrentConfigPath);
    }
}

LONG RegistryStore::readHive(Hive hive, const std::function<LONG(const HiveKey&)>& use) const
{
    const HiveFile file(hiveFile(hive));
    HiveKey root;
    switch (file.load(root)) {
    case HiveFile::Status::Ok:
    case HiveFile::Status::Missing: break;
    case HiveFile::Status::Damaged: {
        // Moving it aside is a change: do it under the lock, and only if it is still damaged then.
        return changeHive(hive, [](HiveKey&, bool*) { return ERROR_SUCCESS; }) == ERROR_SUCCESS
            ? readHive(hive, use)
            : ERROR_REGISTRY_CORRUPT;
    }
    case HiveFile::Status::Unsupported: return ERROR_BADDB;
    case HiveFile::Status::IoError: return ERROR_CANTREAD;
    }
    ensureFixedKeys(root, hive == Hive::CurrentUser, hive == Hive::LocalMachine);
    return use(root);
}

LONG RegistryStore::changeHive(Hive hive, const std::function<LONG(HiveKey&, bool*)>& change) const
{
    const QString folder = registryFolder();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return ERROR_CANTWRITE;
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const HiveFile file(hiveFile(hive));
    QLockFile lock(file.path() + QStringLiteral(".lock"));
    // QLockFile's own waiting sleeps 100 ms and more between tries; writers here hold the lock
    // for a millisecond or so, so ask often.
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::PermissionError)
            return ERROR_ACCESS_DENIED;
        if (lock.error() != QLockFile::LockFailedError || waited.elapsed() > kLockTimeoutMs)
            return ERROR_REGISTRY_IO_FAILED;
        QThread::msleep(2);
    }

    HiveKey root;
    switch (file.load(root)) {
    case HiveFile::Status::Ok:
    case HiveFile::Status::Missing: break;
    case HiveFile::Status::Damaged:
        // Kept for inspection whether or not the rename works; never written over.
        file.moveAside();
        return ERROR_REGISTRY_CORRUPT;
    case HiveFile::Status::Unsupported: return ERROR_BADDB;
    case HiveFile::Status::IoError: return ERROR_CANTREAD;
    }
    ensureFixedKeys(root, hive == Hive::CurrentUser, hive == Hive::LocalMachine);

    bool changed = false;
    const LONG rc = change(root, &changed);
    if (rc != ERROR_SUCCESS || !changed)
        return rc;
    const QFileInfo info(file.path());
    if (info.exists() && (!(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable()))
        return ERROR_ACCESS_DENIED;
    if (HiveFile::serialize(root).size() > kMaxHiveBytes)
        return ERROR_NOT_ENOUGH_QUOTA;
    return file.save(root) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegistryStore::RegOpenKeyEx(HKEY hKey, const QString& subKey, quint32 /*options*/, quint32 samDesired,
                                 HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    Location where;
    LONG rc = locate(hKey, subKey, &where, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    const qsizetype baseDepth = where.path.size() - (subKey.isEmpty() ? 0 : subKey.count(QLatin1Char('\\')) + 1);
    if (isRunKey(where)) {
        // The Run key always exists and its values are the autostart entries, so a hive that
        // cannot be read (damaged, newer, not a file) must not stand between the user and them;
        // rights refused on the key count when the hive can be read. Nothing is moved aside here.
        HiveKey root;
        const bool readable = HiveFile(hiveFile(where.hive)).load(root) == HiveFile::Status::Ok;
        const HiveKey* key = readable ? root.find(where.path) : nullptr;
        if (key && (key->deniedAccess() & samDesired) != 0)
            return ERROR_ACCESS_DENIED;
        *result = newHandle(where, samDesired);
        return ERROR_SUCCESS;
    }
    rc = readHive(where.hive, [&](const HiveKey& root) {
        const HiveKey* key = nullptr;
        const LONG found = lookup(root, where.path, baseDepth, &key);
        if (found != ERROR_SUCCESS)
            return found;
        return (key->deniedAccess() & samDesired) != 0 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    });
    if (rc == ERROR_SUCCESS)
        *result = newHandle(where, samDesired);
    return rc;
}

LONG RegistryStore::RegCreateKeyEx(HKEY hKey, const QString& subKey, quint32 options, quint32 samDesired, HKEY* result,
                                   quint32* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    if (options != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    Location where;
    quint32 handleAccess = 0;
    LONG rc = locate(hKey, subKey, &where, &handleAccess);
    if (rc != ERROR_SUCCESS)
        return rc;
    const qsizetype baseDepth = where.path.size() - (subKey.isEmpty() ? 0 : subKey.count(QLatin1Char('\\')) + 1);

    // Opening an existing key needs no lock.
    rc = RegOpenKeyEx(hKey, subKey, 0, samDesired, result);
    if (rc == ERROR_SUCCESS) {
        if (disposition)
            *disposition = REG_OPENED_EXISTING_KEY;
        return rc;
    }
    if (rc != ERROR_FILE_NOT_FOUND)
        return rc;
    if ((handleAccess & KEY_CREATE_SUB_KEY) == 0)
        return ERROR_ACCESS_DENIED;

    bool created = false;
    rc = changeHive(where.hive, [&](HiveKey& root, bool* changed) {
        HiveKey* key = root.find(where.path.first(baseDepth));
        if (!key)
            return ERROR_KEY_DELETED;
        for (const QString& part : where.path.sliced(baseDepth)) {
            HiveKey* next = key->subkey(part);
            if (!next) {
                if (key->deniedAccess() & KEY_CREATE_SUB_KEY)
                    return ERROR_ACCESS_DENIED;
                next = key->addSubkey(part);
                created = true;
            }
            key = next;
        }
        if (key->deniedAccess() & samDesired)
            return ERROR_ACCESS_DENIED;
        *changed = created;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    *result = newHandle(where, samDesired);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegistryStore::RegCloseKey(HKEY hKey)
{
    if (isPredefined(hKey))
        return ERROR_SUCCESS;
    return m_handles.erase(hKey) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegistryStore::RegQueryValueEx(HKEY hKey, const QString& valueName, quint32* type, quint8* data, quint32* cbData)
{
    if (data && !cbData)
        return ERROR_INVALID_PARAMETER;
    OpenKey open;
    LONG rc = openHandle(hKey, KEY_QUERY_VALUE, &open);
    if (rc != ERROR_SUCCESS)
        return rc;
    quint32 foundType = 0;
    QByteArray bytes;
    if (isRunKey(open.location)) {
        if (!AutostartKey(autostartFolder()).read(valueName, &foundType, &bytes))
            return ERROR_FILE_NOT_FOUND;
    } else {
        rc = readHive(open.location.hive, [&](const HiveKey& root) {
            const HiveKey* key = nullptr;
            const LONG found = lookup(root, open.location.path, open.location.path.size(), &key);
            if (found != ERROR_SUCCESS)
                return found;
            const HiveValue* value = key->value(valueName);
            if (!value)
                return ERROR_FILE_NOT_FOUND;
            foundType = value->type;
            bytes = value->data;
            return ERROR_SUCCESS;
        });
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    if (type)
        *type = foundType;
    return copyData(bytes, data, cbData);
}

LONG RegistryStore::RegSetValueEx(HKEY hKey, const QString& valueName, quint32 type, const quint8* data, quint32 cbData)
{
    if ((cbData > 0 && !data) || valueName.size() > kMaxValueNameLength || cbData > quint64(kMaxValueBytes))
        return ERROR_INVALID_PARAMETER;
    OpenKey open;
    const LONG rc = openHandle(hKey, KEY_SET_VALUE, &open);
    if (rc != ERROR_SUCCESS)
        return rc;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(cbData));
    if (isRunKey(open.location))
        return AutostartKey(autostartFolder()).write(valueName, type, bytes);
    return changeHive(open.location.hive, [&](HiveKey& root, bool* changed) {
        HiveKey* key = nullptr;
        const LONG found = lookup(root, open.location.path, open.location.path.size(), &key);
        if (found != ERROR_SUCCESS)
            return found;
        key->setValue(valueName, type, bytes);
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::RegDeleteValue(HKEY hKey, const QString& valueName)
{
    OpenKey open;
    const LONG rc = openHandle(hKey, KEY_SET_VALUE, &open);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (isRunKey(open.location))
        return AutostartKey(autostartFolder()).remove(valueName);
    return changeHive(open.location.hive, [&](HiveKey& root, bool* changed) {
        HiveKey* key = nullptr;
        const LONG found = lookup(root, open.location.path, open.location.path.size(), &key);
        if (found != ERROR_SUCCESS)
            return found;
        if (!key->removeValue(valueName))
            return ERROR_FILE_NOT_FOUND;
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::RegDeleteKey(HKEY hKey, const QString& subKey)
{
    Location where;
    const LONG rc = locate(hKey, subKey, &where, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (isFixedKey(where))
        return ERROR_ACCESS_DENIED;
    const qsizetype baseDepth = where.path.size() - (subKey.isEmpty() ? 0 : subKey.count(QLatin1Char('\\')) + 1);
    return changeHive(where.hive, [&](HiveKey& root, bool* changed) {
        HiveKey* key = nullptr;
        const LONG found = lookup(root, where.path, baseDepth, &key);
        if (found != ERROR_SUCCESS)
            return found;
        if (!key->subkeys().empty())
            return ERROR_ACCESS_DENIED;
        root.find(where.path.first(where.path.size() - 1))->removeSubkey(where.path.last());
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::RegEnumKey(HKEY hKey, quint32 index, QString* name, quint32 capacity)
{
    if (!name)
        return ERROR_INVALID_PARAMETER;
    OpenKey open;
    const LONG rc = openHandle(hKey, KEY_ENUMERATE_SUB_KEYS, &open);
    if (rc != ERROR_SUCCESS)
        return rc;
    return readHive(open.location.hive, [&](const HiveKey& root) {
        const HiveKey* key = nullptr;
        const LONG found = lookup(root, open.location.path, open.location.path.size(), &key);
        if (found != ERROR_SUCCESS)
            return found;
        if (index >= key->subkeys().size())
            return ERROR_NO_MORE_ITEMS;
        const QString& subName = key->subkeys()[index]->name();
        if (capacity < quint32(subName.size()) + 1)
            return ERROR_MORE_DATA;
        *name = subName;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::RegEnumValue(HKEY hKey, quint32 index, QString* name, quint32* cchName, quint32* type, quint8* data,
                                 quint32* cbData)
{
    if (!name || !cchName || (data && !cbData))
        return ERROR_INVALID_PARAMETER;
    OpenKey open;
    LONG rc = openHandle(hKey, KEY_QUERY_VALUE, &open);
    if (rc != ERROR_SUCCESS)
        return rc;
    HiveValue found;
    if (isRunKey(open.location)) {
        const AutostartKey autostart(autostartFolder());
        const QStringList names = autostart.names();
        if (index >= quint32(names.size()))
            return ERROR_NO_MORE_ITEMS;
        found.name = names[index];
        if (!autostart.read(found.name, &found.type, &found.data))
            return ERROR_NO_MORE_ITEMS;
    } else {
        rc = readHive(open.location.hive, [&](const HiveKey& root) {
            const HiveKey* key = nullptr;
            const LONG hit = lookup(root, open.location.path, open.location.path.size(), &key);
            if (hit != ERROR_SUCCESS)
                return hit;
            if (index >= key->values().size())
                return ERROR_NO_MORE_ITEMS;
            found = key->values()[index];
            return ERROR_SUCCESS;
        });
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    if (*cchName < quint32(found.name.size()) + 1)
        return ERROR_MORE_DATA;
    *name = found.name;
    *cchName = quint32(found.name.size());
    if (type)
        *type = found.type;
    return copyData(found.data, data, cbData);
}

LONG RegistryStore::RegQueryInfoKey(HKEY hKey, quint32* subKeys, quint32* maxSubKeyLen, quint32* values,
                                    quint32* maxValueNameLen, quint32* maxValueLen)
{
    OpenKey open;
    const LONG rc = openHandle(hKey, KEY_QUERY_VALUE, &open);
    if (rc != ERROR_SUCCESS)
        return rc;
    return readHive(open.location.hive, [&](const HiveKey& root) {
        const HiveKey* key = nullptr;
        const LONG found = lookup(root, open.location.path, open.location.path.size(), &key);
        if (found != ERROR_SUCCESS)
            return found;
        quint32 longestSubKey = 0;
        for (const auto& sub : key->subkeys())
            longestSubKey = qMax(longestSubKey, quint32(sub->name().size()));
        quint32 count = 0;
        quint32 longestName = 0;
        quint32 longestData = 0;
        if (isRunKey(open.location)) {
            const AutostartKey autostart(autostartFolder());
            for (const QString& name : autostart.names()) {
                quint32 type = 0;
                QByteArray bytes;
                if (!autostart.read(name, &type, &bytes))
                    continue;
                ++count;
                longestName = qMax(longestName, quint32(name.size()));
                longestData = qMax(longestData, quint32(bytes.size()));
            }
        } else {
            for (const HiveValue& v : key->values()) {
                ++count;
                longestName = qMax(longestName, quint32(v.name.size()));
                longestData = qMax(longestData, quint32(v.data.size()));
            }
        }
        if (subKeys)
            *subKeys = quint32(key->subkeys().size());
        if (maxSubKeyLen)
            *maxSubKeyLen = longestSubKey;
        if (values)
            *values = count;
        if (maxValueNameLen)
            *maxValueNameLen = longestName;
        if (maxValueLen)
            *maxValueLen = longestData;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::RegSetKeyDeniedAccess(HKEY hKey, const QString& subKey, quint32 deniedMask)
{
    if ((deniedMask & ~KEY_SPECIFIC_RIGHTS) != 0)
        return ERROR_INVALID_PARAMETER;
    Location where;
    const LONG rc = locate(hKey, subKey, &where, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    const qsizetype baseDepth = where.path.size() - (subKey.isEmpty() ? 0 : subKey.count(QLatin1Char('\\')) + 1);
    return changeHive(where.hive, [&](HiveKey& root, bool* changed) {
        HiveKey* key = nullptr;
        const LONG found = lookup(root, where.path, baseDepth, &key);
        if (found != ERROR_SUCCESS)
            return found;
        key->setDeniedAccess(deniedMask);
        *changed = true;
        return ERROR_SUCCESS;
    });
}

quint32 RegistryStore::ExpandEnvironmentStrings(const QString& source, QString* result, quint32 capacity)
{
    return expandEnvironmentStrings(source, result, capacity);
}
