#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileDevice>
#include <QString>

// Reading and replacing the files the program keeps, without trusting what lies at a path: a FIFO
// or a device is never opened in a way that could block or never end, a size is checked before
// anything is allocated for it, and a file is replaced by renaming a new one over it, so that a
// symbolic link at the path is replaced and never written through.
namespace PlainFile {

enum class Status { Ok, Missing, NotAFile, TooLarge, Failed };

enum class Links { Follow, Refuse };

// The whole file when it is a regular file of at most `maxBytes`; `out` is untouched otherwise.
// With Links::Refuse a symbolic link at `path` is NotAFile.
Status read(const QString& path, qint64 maxBytes, QByteArray* out, Links links = Links::Follow);

// Opens the file for reading under the same conditions as read, without reading it.
Status open(const QString& path, qint64 maxBytes, QFile* file, Links links = Links::Follow);

// Writes `bytes` to a new file beside `path` with the given permissions from the start, then
// renames it over `path`. The previous file stays whole when anything fails; errno then tells why.
bool replace(const QString& path, const QByteArray& bytes,
             QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner);

// Removes the temporary files that replace() leaves when it is cut short (".<name>.XXXXXX") in
// `folder`: those of `name` only, or, with `name` empty, all of them. Only plain files of the
// user's own are removed; a link is removed, never followed.
void removeLeftovers(const QString& folder, const QString& name = QString());

} // namespace PlainFile
