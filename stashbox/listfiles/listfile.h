#pragma once

#include "listconstants.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>

class GridModel;

// The list file: the whole item list (row count, every row's kind, its three cell texts and its
// height, and the list's layout) in one versioned binary file. Pictures are not in it; they live in
// the picture folder beside it. The byte layout is described in LISTFILE.md.
//
// The codec (describe, encode, decode, read, write) needs Qt Core only and lives in the `listfile`
// library; fromGrid and applyToGrid work on the grid model and are built into the program's core.
namespace ListFile {

enum class Status { Ok, CannotOpen, NotAListFile, NewerVersion, Damaged, CannotWrite };

// A short English sentence for messages and tools.
QString describe(Status s);

// The format version this build writes for data files and the autosave. Files with a higher major
// version than SessionMajor are refused; a higher minor version only adds what this build skips.
inline constexpr quint16 FormatMajor = 1;
inline constexpr quint16 FormatMinor = 0;
// The session copy (the list on disk while the program runs) keeps its long texts in files beside
// it, written once, so that a change of the list rewrites only what changed.
inline constexpr quint16 SessionMajor = 2;
// Cells of a session copy at least this long may lie beside it.
inline constexpr qsizetype SideTextMinChars = 4096;
// Bounds a file is checked against before anything is allocated for it.
inline constexpr int MaxRows = 10000;
inline constexpr qint64 MaxFileBytes = qint64(2) << 30;
// Heights and widths are twips; anything larger than this is not a list anyone made.
inline constexpr int MaxTwips = 10000000;

struct Row
{
    QString kind;
    std::array<QString, 3> text;
    int height = ItemRowHeight;

    bool operator==(const Row&) const = default;
};

struct Contents
{
    QList<Row> rows;
    int width = 3200;
    std::array<int, 3> colWidth{2900, 0, 0};
    int gridLines = 1;
    int editable = 0;

    bool operator==(const Contents&) const = default;
};

// Every row of the grid, empty ones included, and its layout.
Contents fromGrid(const GridModel& grid);
// Replaces all rows and texts of the grid by the contents (row count, kind, texts, heights, layout);
// pictures of all cells are cleared (the caller sets icons and pictures again afterwards).
void applyToGrid(const Contents& contents, GridModel& grid);

// A cell of a session copy kept beside it: the last `size - prefix` characters of the cell are the
// whole text of the file `name` in the list's picture folder, as UTF-8 or else UTF-16LE.
struct SideText
{
    QString name;
    qsizetype prefix = 0;
    bool utf8 = true;
};
// Tells whether a long cell of a session copy lies beside it, and where.
using SideLookup = std::function<bool(const QString& cell, SideText* side)>;
// Gives the text of a side file, which must be `units` UTF-16 code units long; false when it cannot.
using SideReader = std::function<bool(const QString& name, bool utf8, quint64 units, QString* text)>;

// A name that can be used as a file name inside the picture folder and nowhere else.
bool isPlainName(const QString& name);
// Whether UTF-8 gives the text back exactly (it holds no unpaired surrogate).
bool fitsUtf8(const QString& text);

// Values outside the ranges the reader accepts (negative sizes, unknown modes) are clamped as written,
// so that whatever encode gives, decode takes back.
QByteArray encode(const Contents& contents);
// The size of encode(contents), without encoding.
qint64 encodedSize(const Contents& contents);
// A session copy (version 2): the cells `sides` places beside it are written as references.
QByteArray encodeSession(const Contents& contents, const SideLookup& sides);
// `out` is untouched unless the result is Ok. A session copy's side texts come from `sides`; without
// it a session copy that has any is Damaged.
Status decode(const QByteArray& bytes, Contents* out, const SideReader& sides = {});

// Atomic (the previous file stays whole when anything fails) and readable by the owner only.
// More than MaxRows rows, or an encoding larger than MaxFileBytes, is refused with CannotWrite.
Status write(const QString& path, const Contents& contents);
// `out` is untouched unless the result is Ok. Files larger than MaxFileBytes are Damaged. The file is
// read piece by piece, and a text the row holds twice (label and text) is held once. A session
// copy's side texts are read from the picture folder beside it (plain names, regular files only);
// `sideTexts` gets them by name.
Status read(const QString& path, Contents* out, QHash<QString, QString>* sideTexts = nullptr);

} // namespace ListFile
