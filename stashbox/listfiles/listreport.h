#pragma once

#include "listfile.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

// What a list holds, written out for people and for scripts: `sbxtool` reports a list file with it,
// `stashbox --list` the running list or the saved one.
namespace ListReport {

// A picture of a Bitmap row, as the report tells of it.
struct Picture
{
    // Its name may be used as a file name (see DataFiles::isPlainName).
    bool safe = false;
    // The file it is kept in; empty when it is held in memory.
    QString path;
    // Held: a regular file of that name, or the picture in memory.
    bool exists = false;
    // Something else of that name (folder, FIFO, device): never opened.
    bool special = false;
    // Invalid when not readable.
    QSize size;
};
// The picture of row `row`, whose picture name is `name`.
using PictureLookup = std::function<Picture(qsizetype row, const QString& name)>;
// The pictures of a list file: in its picture folder, looked at without being decoded.
PictureLookup pictureFolderOf(const QString& listFile);

bool isItem(const QString& kind);
// The name the user gave the row's item; empty when it has none.
QString itemName(const ListFile::Row& row);
// Control, format and separator characters and lone surrogates written as escapes, so that what a
// list holds can neither steer the terminal nor hide from the reader.
QString visible(const QString& s);

// All of it, texts in full. `file` is the list file's path; empty for a list that is in no file.
QByteArray json(const QString& file, const ListFile::Contents& contents, const PictureLookup& pictures);
// One item a line: its row, kind, name and the first line of its text (a picture's size).
QByteArray lines(const ListFile::Contents& contents, const PictureLookup& pictures);

} // namespace ListReport
