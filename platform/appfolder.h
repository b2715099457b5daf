#pragma once

#include <QString>

// Where the program and its per-user files live.
class AppFolder final
{
public:
    // The folder of the executable ("files beside the program").
    static QString programFolder();
    // Where per-user files go: the program's folder when it is writable, otherwise
    // $XDG_DATA_HOME/stashbox (created on demand, owner-only).
    static QString userFilesFolder();
    // The login name of the effective user, "default" when there is none.
    static QString userName();
    // The user name for a login name as the system gives it ("default" for none).
    static QString userNameFrom(const char* loginName);
};
