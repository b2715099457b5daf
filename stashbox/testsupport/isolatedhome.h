#pragma once

#include <QDir>
#include <QTemporaryDir>

// Points HOME and the XDG folders at a fresh temporary folder for the whole test program, so that
// nothing a test does (settings, autostart entries, locks) reaches the real user's files.
inline void isolateHome()
{
    static QTemporaryDir home;
    for (const char* sub : {"config", "data", "cache", "runtime"})
        QDir(home.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(home.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.filePath("runtime").toLocal8Bit());
}
