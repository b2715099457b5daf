#pragma once

#include "registrystore.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

// A private XDG_CONFIG_HOME for one test case, set before any store is made and put back after.
class TestConfigHome final
{
public:
    TestConfigHome()
        : m_old(qgetenv("XDG_CONFIG_HOME"))
        , m_hadOld(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    }
    ~TestConfigHome()
    {
        if (m_hadOld)
            qputenv("XDG_CONFIG_HOME", m_old);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TestConfigHome(const TestConfigHome&) = delete;
    TestConfigHome& operator=(const TestConfigHome&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString hive(const char* name) const
    {
        return path() + QStringLiteral("/stashbox/registry/") + QLatin1String(name);
    }
    QString autostart() const { return path() + QStringLiteral("/autostart"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld;
};

// A REG_SZ value written and read back as the bytes a program would pass (the NUL is added and taken off).
inline winreg::LONG setString(RegistryStore& store, winreg::HKEY root, const QString& path, const QString& name,
                              const QByteArray& text)
{
    using namespace winreg;
    HKEY key = 0;
    LONG rc = store.RegCreateKeyEx(root, path, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const QByteArray data = text + '\0';
    rc =
        store.RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const quint8*>(data.constData()), quint32(data.size()));
    store.RegCloseKey(key);
    return rc;
}

inline winreg::LONG readString(RegistryStore& store, winreg::HKEY root, const QString& path, const QString& name,
                               QByteArray* text)
{
    using namespace winreg;
    HKEY key = 0;
    LONG rc = store.RegOpenKeyEx(root, path, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    QByteArray buffer(1024, 0);
    quint32 size = quint32(buffer.size());
    rc = store.RegQueryValueEx(key, name, nullptr, reinterpret_cast<quint8*>(buffer.data()), &size);
    store.RegCloseKey(key);
    if (rc == ERROR_SUCCESS)
        *text = buffer.first(size).chopped(1);
    return rc;
}
