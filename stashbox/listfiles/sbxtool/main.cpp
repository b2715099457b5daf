// sbxtool: shows what a Stashbox list file holds, for people (text) and for scripts (JSON).
#include "listfile.h"
#include "listreport.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int ShownChars = 200;

const char Usage[] = "Usage: sbxtool [--json] FILE\n"
                     "Shows the items of a Stashbox list file (a .sbx file or the autosave temp.sbt).\n"
                     "\n"
                     "  FILE     the list file; pictures of its Bitmap items are looked up in FILE_Data\n"
                     "  --json   write the whole contents (every row, texts in full) as JSON\n"
                     "  --help   show this help\n"
                     "\n"
                     "Exit status: 0 success, 1 the file cannot be read, 2 wrong arguments.\n";

using ListReport::isItem;
using ListReport::visible;

// At most ShownChars characters (a surrogate pair is never cut), then a note of the full length.
QString shown(const QString& s)
{
    if (s.isEmpty())
        return QStringLiteral("(empty)");
    if (s.size() <= ShownChars)
        return visible(s);
    qsizetype cut = ShownChars;
    if (s.at(cut - 1).isHighSurrogate() && s.at(cut).isLowSurrogate())
        --cut;
    return visible(s.left(cut)) + QStringLiteral(" ... [shortened; %1 characters in all]").arg(s.size());
}

QString pictureLine(const ListReport::Picture& p)
{
    if (!p.safe)
        return QStringLiteral("unsafe picture name, not looked up");
    QString line = visible(p.path) + QLatin1String(": ");
    if (p.special)
        return line + QLatin1String("not a regular file");
    if (!p.exists)
        return line + QLatin1String("missing");
    if (!p.size.isValid())
        return line + QLatin1String("exists, size not readable");
    return line + QStringLiteral("exists, %1 x %2 pixels").arg(p.size.width()).arg(p.size.height());
}

QByteArray asText(const QString& path, const ListFile::Contents& c)
{
    int items = 0;
    for (const ListFile::Row& row : c.rows)
        items += isItem(row.kind) ? 1 : 0;

    QString out;
    out += QStringLiteral("List file: %1\n").arg(visible(path));
    out += QStringLiteral("Rows: %1  Items: %2  Width: %3  Column widths: %4 %5 %6  Grid lines: %7  Editable: %8\n")
               .arg(c.rows.size())
               .arg(items)
               .arg(c.width)
               .arg(c.colWidth[0])
               .arg(c.colWidth[1])
               .arg(c.colWidth[2])
               .arg(c.gridLines)
               .arg(c.editable);
    for (qsizetype r = 0; r < c.rows.size(); ++r) {
        const ListFile::Row& row = c.rows[r];
        if (!isItem(row.kind))
            continue;
        out += QStringLiteral("\nRow %1: %2 (height %3)\n").arg(r).arg(row.kind).arg(row.height);
        out += QLatin1String("  label: ") + shown(row.text[0]) + QLatin1Char('\n');
        out += QLatin1String("  text:  ") + shown(row.text[2]) + QLatin1Char('\n');
        out += QLatin1String("  data:  ") + shown(row.text[1]) + QLatin1Char('\n');
        if (row.kind == QLatin1String("Bitmap")) {
            out += QLatin1String("  picture: ") + shown(row.text[2]) + QLatin1String(" - ")
                + pictureLine(ListReport::pictureFolderOf(path)(r, row.text[2])) + QLatin1Char('\n');
        }
    }
    if (items == 0)
        out += QLatin1String("\nNo items.\n");
    return out.toUtf8();
}

int usageError(const QString& why)
{
    std::fprintf(stderr, "sbxtool: %s\n%s", why.toUtf8().constData(), Usage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();

    bool json = false;
    bool optionsDone = false;
    QStringList files;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (!optionsDone && a == QLatin1String("--")) {
            optionsDone = true;
        } else if (!optionsDone && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            std::fputs(Usage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if (!optionsDone && a == QLatin1String("--json")) {
            json = true;
        } else if (!optionsDone && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usageError(QStringLiteral("unknown option %1").arg(visible(a)));
        } else {
            files << a;
        }
    }
    if (files.size() != 1)
        return usageError(files.isEmpty() ? QStringLiteral("no list file given")
                                          : QStringLiteral("give one list file only"));

    const QString& path = files.first();
    ListFile::Contents contents;
    const ListFile::Status status = ListFile::read(path, &contents);
    if (status != ListFile::Status::Ok) {
        std::fprintf(stderr, "sbxtool: %s: %s\n", visible(path).toUtf8().constData(),
                     ListFile::describe(status).toUtf8().constData());
        return 1;
    }

    const QByteArray out =
        json ? ListReport::json(path, contents, ListReport::pictureFolderOf(path)) : asText(path, contents);
    const bool written = std::fwrite(out.constData(), 1, size_t(out.size()), stdout) == size_t(out.size());
    if (!written || std::fflush(stdout) != 0) {
        std::fputs("sbxtool: cannot write the output\n", stderr);
        return 1;
    }
    return 0;
}
