#pragma once

#include <QString>

// Windows-style profile files: "[section]" lines and "key=value" lines below them.
// Section and key names match case-insensitively; everything the writer does not touch is kept
// byte for byte; files are replaced atomically.
class ProfileFile final
{
public:
    // The value of `key`, at most `bufferSize` - 1 characters; `fallback` (cut the same way) when the
    // file, the section or the key is missing.
    static QString read(const QString& path, const QString& section, const QString& key, const QString& fallback,
                        int bufferSize = 255);
    // Writes or replaces `key`, creating the file and the section when needed. NUL characters in the
    // value are dropped, line breaks end it. False when the file could not be written.
    static bool write(const QString& path, const QString& section, const QString& key, const QString& value);
};
