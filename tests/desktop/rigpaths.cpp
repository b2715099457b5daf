#include "rigpaths.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace RigPaths {

QString appDir()
{
    const QString fromEnv = qEnvironmentVariable("STASHBOX_APP_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(DESKTOPRIG_APP_DIR) : fromEnv;
}

QString program()
{
    return QDir(appDir()).filePath(QStringLiteral("stashbox"));
}

QString clipOwner()
{
    const QString fromEnv = qEnvironmentVariable("STASHBOX_CLIPOWNER");
    return fromEnv.isEmpty() ? QStringLiteral(DESKTOPRIG_CLIPOWNER) : fromEnv;
}

QString loginName()
{
    const passwd* pw = getpwuid(geteuid());
    if (!pw || !pw->pw_name || !*pw->pw_name)
        return QStringLiteral("default");
    return QString::fromLocal8Bit(pw->pw_name);
}

} // namespace RigPaths
