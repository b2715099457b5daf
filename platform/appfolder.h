#pragma once

#include <QString>

// Where the program and its per-user files live.
//
// A build keeps the program and every file that lives beside it in one folder, the executable's.
// An installation spreads them over its prefix: the programs in <prefix>/bin, the control libraries
// in <prefix>/lib/stashbox, the other files (skins, icons, help) in <prefix>/share/stashbox. Both
// are found from the executable's own place, so a prefix that was moved as a whole still works.
class AppFolder final
{
public:
    // The program's folder: where the files that live beside the program are. The executable's
    // folder in a build, <prefix>/share/stashbox in an installation.
    static QString programFolder();
    // Where the control libraries (and the shared libraries they use) are.
    static QString libraryFolder();
    // The main program, as the desktop should start it at login.
    static QString programPath();
    // Whether this program runs from an installation rather than from a build's folder.
    static bool isInstalled();
    // Where the file dialogs start: the program's folder of a build, the home folder of the user of
    // an installation (whose folders are not for the user's files).
    static QString fileDialogFolder();
    // Where per-user files go: a build's own folder when it is private to this user (see
    // isPrivateFolder), otherwise $XDG_DATA_HOME/stashbox (created on demand, owner-only). An
    // installation is shared by the machine's users, so they always go to the latter.
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
