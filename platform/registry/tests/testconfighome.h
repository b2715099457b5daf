#pragma once

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
    QString hive(const char* name) const { return path() + QStringLiteral("/stashbox/registry/") + QLatin1String(name); }
    QString autostart() const { return path() + QStringLiteral("/autostart"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld;
};
