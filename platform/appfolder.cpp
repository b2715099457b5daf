#include "appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool lookAt(const QString& path, struct stat* st)
{
    return ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

QString reasonFor(const QString& path, const struct stat& st)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (S_ISLNK(st.st_mode))
        return shown + QStringLiteral(" is a symbolic link.");
    if (st.st_uid != ::geteuid())
        return shown + QStringLiteral(" belongs to another user.");
    if (S_ISDIR(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return QStringLiteral("Other users can change ") + shown + QLatin1Char('.');
    return {};
}

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

// The installation's folder at `relative` to the executable's (as the build placed it), or "" when
// the program does not run from an installation: one has both its library and its data folder.
QString installedFolder(const char* relative)
{
    const QString bin = executableFolder();
    const auto at = [&bin](const char* path) { return QDir::cleanPath(bin + QLatin1Char('/') + QLatin1String(path)); };
    if (!QFileInfo(at(STASHBOX_LIBRARIES_FROM_BIN)).isDir() || !QFileInfo(at(STASHBOX_DATA_FROM_BIN)).isDir())
        return {};
    return at(relative);
}
} // namespace

QString AppFolder::programFolder()
{
    const QString installed = installedFolder(STASHBOX_DATA_FROM_BIN);
    return installed.isEmpty() ? executableFolder() : installed;
}

QString AppFolder::libraryFolder()
{
    const QString installed = installedFolder(STASHBOX_LIBRARIES_FROM_BIN);
    return installed.isEmpty() ? executableFolder() : installed;
}

QString AppFolder::programPath()
{
    return executableFolder() + QStringLiteral("/stashbox");
}

bool AppFolder::isInstalled()
{
    return !installedFolder(STASHBOX_DATA_FROM_BIN).isEmpty();
}

QString AppFolder::fileDialogFolder()
{
    return isInstalled() ? QDir::homePath() : programFolder();
}

bool AppFolder::isPrivateFolder(const QString& path)
{
    struct stat st
    { };
    return lookAt(path, &st) && S_ISDIR(st.st_mode) && reasonFor(path, st).isEmpty()
        && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

QString AppFolder::untrustedReason(const QString& path, bool contents)
{
    struct stat st
    { };
    if (!lookAt(path, &st))
        return {};
    if (QString reason = reasonFor(path, st); !reason.isEmpty() || !contents || !S_ISDIR(st.st_mode))
        return reason;
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        if (lookAt(entry, &st)) {
            if (QString reason = reasonFor(entry, st); !reason.isEmpty())
                return reason;
        }
    }
    return {};
}

QString AppFolder::userFilesFolder()
{
    // A folder others may write to would let them plant a list or a link for us to follow.
    if (const QString own = programFolder(); !isInstalled() && isPrivateFolder(own))
        return own;
    const QString data =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/stashbox");
    QDir().mkpath(data);
    // Only our own folder is made private; anything else there is refused later, never changed.
    struct stat st
    { };
    if (lookAt(data, &st) && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
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
