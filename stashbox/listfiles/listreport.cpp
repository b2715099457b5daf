#include "listreport.h"

#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace ListReport {

namespace {
constexpr qsizetype ShownChars = 200;

// Picture names come from the file: only a plain name may become part of a path, so that a crafted
// file cannot make us look at (or report on) anything outside its picture folder.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}
} // namespace

bool isItem(const QString& kind)
{
    return kind == QLatin1String("Text") || kind == QLatin1String("RTF") || kind == QLatin1String("Bitmap");
}

QString itemName(const ListFile::Row& row)
{
    const QString& label = row.text[0];
    if (row.kind == QLatin1String("Bitmap"))
        return label == QLatin1String("IMAGE") ? QString() : label;
    if (label == row.text[2])
        return {};
    // A name given with Enter keeps the text below it; one given otherwise is the whole label.
    const QString arrow = QStringLiteral("\r\n-->") + row.text[2];
    return label.endsWith(arrow) ? label.chopped(arrow.size()) : label;
}

PictureLookup pictureFolderOf(const QString& listFile)
{
    const QString folder = QFileInfo(listFile).absoluteFilePath() + QLatin1String("_Data/");
    return [folder](qsizetype, const QString& name) {
        Picture info;
        info.safe = isPlainName(name);
        if (!info.safe)
            return info;
        info.path = folder + name;
        const QFileInfo fi(info.path);
        info.exists = fi.isFile();
        info.special = fi.exists() && !fi.isFile();
        if (info.exists) {
            QImageReader reader(info.path);
            info.size = reader.size();
        }
        return info;
    };
}

QString visible(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += c;
            out += s.at(++i);
            continue;
        }
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); continue;
        case '\r': out += QLatin1String("\\r"); continue;
        case '\n': out += QLatin1String("\\n"); continue;
        case '\t': out += QLatin1String("\\t"); continue;
        default: break;
        }
        const QChar::Category cat = c.category();
        if (c.isSurrogate() || cat == QChar::Other_Control || cat == QChar::Other_Format || cat == QChar::Separator_Line
            || cat == QChar::Separator_Paragraph) {
            out += QLatin1String("\\u{")
                + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')) + QLatin1Char('}');
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray json(const QString& file, const ListFile::Contents& c, const PictureLookup& pictures)
{
    QJsonArray rows;
    int items = 0;
    for (qsizetype r = 0; r < c.rows.size(); ++r) {
        const ListFile::Row& row = c.rows[r];
        items += isItem(row.kind) ? 1 : 0;
        QJsonObject o{
            {QStringLiteral("row"), qint64(r)},     {QStringLiteral("kind"), row.kind},
            {QStringLiteral("label"), row.text[0]}, {QStringLiteral("data"), row.text[1]},
            {QStringLiteral("text"), row.text[2]},  {QStringLiteral("height"), row.height},
        };
        if (row.kind == QLatin1String("Bitmap")) {
            const Picture p = pictures(r, row.text[2]);
            o.insert(QStringLiteral("pictureFile"),
                     p.safe && !p.path.isEmpty() ? QJsonValue(p.path) : QJsonValue(QJsonValue::Null));
            o.insert(QStringLiteral("pictureExists"), p.exists);
            if (!p.safe)
                o.insert(QStringLiteral("pictureNote"), QStringLiteral("unsafe picture name"));
            if (p.size.isValid()) {
                o.insert(QStringLiteral("pictureWidth"), p.size.width());
                o.insert(QStringLiteral("pictureHeight"), p.size.height());
            }
        }
        rows.append(o);
    }
    const QJsonObject layout{
        {QStringLiteral("width"), c.width},
        {QStringLiteral("columnWidths"), QJsonArray{c.colWidth[0], c.colWidth[1], c.colWidth[2]}},
        {QStringLiteral("gridLines"), c.gridLines},
        {QStringLiteral("editable"), c.editable},
    };
    const QJsonObject doc{
        {QStringLiteral("file"), file.isEmpty() ? QJsonValue(QJsonValue::Null) : QFileInfo(file).absoluteFilePath()},
        {QStringLiteral("rowCount"), qint64(c.rows.size())},
        {QStringLiteral("itemCount"), items},
        {QStringLiteral("layout"), layout},
        {QStringLiteral("rows"), rows},
    };
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

QByteArray lines(const ListFile::Contents& c, const PictureLookup& pictures)
{
    QString out;
    for (qsizetype r = 0; r < c.rows.size(); ++r) {
        const ListFile::Row& row = c.rows[r];
        if (!isItem(row.kind))
            continue;
        QString first;
        if (row.kind == QLatin1String("Bitmap")) {
            const QSize size = pictures(r, row.text[2]).size;
            first = size.isValid() ? QStringLiteral("picture %1 x %2").arg(size.width()).arg(size.height())
                                   : QStringLiteral("picture");
        } else {
            first = row.text[2].section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0, QString::SectionSkipEmpty);
        }
        if (first.size() > ShownChars)
            first = first.left(ShownChars) + QChar(0x2026);
        out += QStringLiteral("%1\t%2\t%3\t%4\n").arg(r).arg(row.kind, visible(itemName(row)), visible(first));
    }
    return out.toUtf8();
}

} // namespace ListReport
