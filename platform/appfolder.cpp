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
    const passwd* pw = ::getpwuid(::geteuid());
    return userNameFrom(pw ? pw->pw_name : nullptr);
}

QString AppFolder::userNameFrom(const char* loginName)
{
    return loginName && *loginName ? QString::fromLocal8Bit(loginName) : QStringLiteral("default");
}
