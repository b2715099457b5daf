#pragma once

#include "registrytypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The values of HKCU\Software\Microsoft\Windows\CurrentVersion\Run, kept as XDG autostart entries:
// the value NAME is the file NAME.desktop in the autostart folder, so the desktop starts the
// command at login.
//
// A written entry holds, besides the keys the desktop reads (Type, Name, Exec, TryExec, Terminal),
// the value's type and exact bytes (X-Stashbox-Type, X-Stashbox-Data), so reading gives back what
// was written. Entries of other programs read as their Exec line (REG_SZ); they are only ever
// replaced or removed when addressed by their own name.
//
// The command line of a value is split the way a Windows command line names its program:
// - a leading double-quoted part is the program; what follows are the arguments;
// - otherwise the program is the longest part up to a blank (or the whole text) that names an
//   existing file. When none exists: for an absolute path, the text up to the first blank that
//   is followed by '-' (or the whole text); for a bare name, the first word.
// Arguments are separated by blanks; double quotes group blanks into one argument and are
// removed, and "" inside quotes stands for one double quote. Backslashes are ordinary characters.
// REG_EXPAND_SZ values have their %VARIABLES% expanded before splitting.
class AutostartKey final
{
public:
    explicit AutostartKey(QString folder);

    const QString& folder() const { return m_folder; }

    // The entry names found in the folder, in case-insensitive order.
    QStringList names() const;
    // False when there is no entry of that name (matched case-insensitively).
    bool read(const QString& name, quint32* type, QByteArray* data) const;
    winreg::LONG write(const QString& name, quint32 type, const QByteArray& data) const;
    winreg::LONG remove(const QString& name) const;

    // Whether `name` can be a file name in the folder (no separators, not "." or "..").
    static bool isUsableName(const QString& name);
    static bool splitCommandLine(const QString& commandLine, QString* program, QStringList* arguments);
    // The Exec value (before the key file's own string escapes) that runs `program` with `arguments`.
    static QString execValue(const QString& program, const QStringList& arguments);
    // The whole file for one value; empty when the value cannot be an autostart entry.
    static QByteArray desktopEntry(const QString& name, quint32 type, const QByteArray& data);

    static QString escapeString(const QString& text);
    static QString unescapeString(const QString& text);

private:
    // The existing file for `name` (exact spelling first, then any case), or an empty string.
    QString existingFile(const QString& name) const;

    QString m_folder;
};
