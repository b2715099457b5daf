#include "appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <pwd.h>
#include <unistd.h>

QString AppFolder::programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString AppFolder::userFilesFolder()
{
    const QString own = programFolder();
    if (::access(QFile::encodeName(own).constData(), W_OK) == 0)
        return own;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/stashbox");
    QDir().mkpath(data);
    QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return data;
}

QString AppFolder::userName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("default");
}
