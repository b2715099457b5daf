#pragma once

#include <QString>

// Where the program and its per-user files live.
class AppFolder final
{
public:
    // The folder of the executable ("files beside the program").
    static QString programFolder();
    // Where per-user files go: the program's folder when it is private to this user (see
    // isPrivateFolder), otherwise $XDG_DATA_HOME/stashbox (created on demand, owner-only).
    static QString userFilesFolder();
    // A folder, not a symbolic link, that belongs to this user, who may write to it, and that
    // nobody else may write to.
    static bool isPrivateFolder(const QString& path);
    // Why the per-user file or folder at `path` must not be used: it is a symbolic link, belongs to
    // another user, or (a folder) can be changed by others. With `contents`, everything inside a
    // folder is looked at too. Empty when it is fine or not there at all.
    static QString untrustedReason(const QString& path, bool contents = false);
    // The login name of the effective user, "default" when there is none.
    static QString userName();
    // The user name for a login name as the system gives it ("default" for none).
    static QString userNameFrom(const char* loginName);
};
