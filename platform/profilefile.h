#pragma once

#include <QByteArray>
#include <QString>

// Windows-style profile files: "[section]" lines and "key=value" lines below them.
// Section and key names match case-insensitively; everything the writer does not touch is kept
// byte for byte; files are replaced atomically.
class ProfileFile final
{
public:
    // A profile file larger than this is not one anybody wrote by hand or by program: it is read as
    // missing and never replaced.
    static constexpr qint64 MaxFileBytes = qint64(16) << 20;

    // The value of `key`, at most `bufferSize` - 1 characters; `fallback` (cut the same way) when the
    // file, the section or the key is missing.
    static QString read(const QString& path, const QString& section, const QString& key, const QString& fallback,
                        int bufferSize = 255);
    // Writes or replaces `key`, creating the file and the section when needed. NUL characters in the
    // value are dropped, line breaks end it. False when the file could not be written; a file that is
    // there but cannot be read (or is no regular file) is never replaced.
    static bool write(const QString& path, const QString& section, const QString& key, const QString& value);

    // The same on a file's bytes, for readers that hold them already (and the fuzzer).
    static QString valueIn(const QByteArray& contents, const QString& section, const QString& key,
                           const QString& fallback, int bufferSize = 255);
    // The file's bytes with `key` written; empty when the section or key name cannot be written.
    static QByteArray withValue(const QByteArray& contents, const QString& section, const QString& key,
                                const QString& value);
};
