#include "probestate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

std::optional<ProbeState> ProbeState::read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    return parse(file.readAll(), error);
}

std::optional<ProbeState> ProbeState::parse(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("probe is not a JSON object: %1").arg(parseError.errorString());
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    ProbeState s;
    s.seq = o.value(QLatin1String("seq")).toInteger(-1);
    s.pid = o.value(QLatin1String("pid")).toInteger();
    s.count = o.value(QLatin1String("count")).toInt(-1);
    s.countLabel = o.value(QLatin1String("countLabel")).toString();
    s.currentRow = o.value(QLatin1String("currentRow")).toInt(-1);
    s.limit = o.value(QLatin1String("limit")).toInt();
    s.captureOn = o.value(QLatin1String("captureOn")).toBool();
    s.imageCapture = o.value(QLatin1String("imageCapture")).toBool();
    const QJsonArray rows = o.value(QLatin1String("rows")).toArray();
    for (const QJsonValue& v : rows) {
        const QJsonObject r = v.toObject();
        ProbeRow row;
        row.row = r.value(QLatin1String("row")).toInt(-1);
        row.kind = r.value(QLatin1String("kind")).toString();
        row.label = r.value(QLatin1String("label")).toString();
        row.data = r.value(QLatin1String("data")).toString();
        row.text = r.value(QLatin1String("text")).toString();
        row.heightTwips = r.value(QLatin1String("heightTwips")).toInt();
        row.pictureWidth = r.value(QLatin1String("pictureWidth")).toInt();
        row.pictureHeight = r.value(QLatin1String("pictureHeight")).toInt();
        const QJsonObject screen = r.value(QLatin1String("screen")).toObject();
        if (!screen.isEmpty())
            row.screen = QRect(screen.value(QLatin1String("x")).toInt(), screen.value(QLatin1String("y")).toInt(),
                               screen.value(QLatin1String("w")).toInt(), screen.value(QLatin1String("h")).toInt());
        row.labelLength = r.value(QLatin1String("labelLength")).toInteger(row.label.size());
        row.dataLength = r.value(QLatin1String("dataLength")).toInteger(row.data.size());
        row.textLength = r.value(QLatin1String("textLength")).toInteger(row.text.size());
        s.rows.push_back(row);
    }
    const QJsonObject placement = o.value(QLatin1String("placement")).toObject();
    s.extended = placement.value(QLatin1String("extended")).toBool();
    s.trayZooms = placement.value(QLatin1String("trayZooms")).toInt(-1);
    const QJsonObject keyboard = o.value(QLatin1String("keyboard")).toObject();
    s.active = keyboard.value(QLatin1String("active")).toBool();
    s.focus = keyboard.value(QLatin1String("focus")).toString();
    s.summoned = keyboard.value(QLatin1String("summoned")).toBool();
    s.query = keyboard.value(QLatin1String("query")).toString();
    const QJsonObject captions = o.value(QLatin1String("captions")).toObject();
    for (auto it = captions.begin(); it != captions.end(); ++it)
        s.captions.insert(it.key(), it.value().toString());
    const QJsonObject controls = o.value(QLatin1String("controls")).toObject();
    for (auto it = controls.begin(); it != controls.end(); ++it) {
        const QJsonObject r = it.value().toObject();
        s.controls.insert(it.key(),
                          QRect(r.value(QLatin1String("x")).toInt(), r.value(QLatin1String("y")).toInt(),
                                r.value(QLatin1String("w")).toInt(), r.value(QLatin1String("h")).toInt()));
    }
    return s;
}

QStringList ProbeState::texts() const
{
    QStringList out;
    for (const ProbeRow& r : rows)
        out << r.text;
    return out;
}

bool ProbeState::consistent(QString* why) const
{
    auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (count != int(rows.size()))
        return fail(QStringLiteral("count %1 but %2 item rows").arg(count).arg(rows.size()));
    if (countLabel != QStringLiteral("%1  ITEMS").arg(count))
        return fail(QStringLiteral("count label \"%1\" for count %2").arg(countLabel).arg(count));
    if (limit != 20 && limit != 100)
        return fail(QStringLiteral("limit %1").arg(limit));
    if (count > limit)
        return fail(QStringLiteral("count %1 above the limit %2").arg(count).arg(limit));
    for (size_t i = 0; i < rows.size(); ++i) {
        const ProbeRow& r = rows[i];
        if (r.row != int(i))
            return fail(QStringLiteral("item %1 sits in row %2 (gap in the list)").arg(i).arg(r.row));
        if (r.kind != QLatin1String("Text") && r.kind != QLatin1String("RTF") && r.kind != QLatin1String("Bitmap"))
            return fail(QStringLiteral("row %1 has kind \"%2\"").arg(i).arg(r.kind));
    }
    return true;
}

QString ProbeState::describe() const
{
    QStringList lines;
    lines << QStringLiteral("seq %1 pid %2 count %3 \"%4\" limit %5 capture %6 images %7")
                 .arg(seq)
                 .arg(pid)
                 .arg(count)
                 .arg(countLabel)
                 .arg(limit)
                 .arg(captureOn)
                 .arg(imageCapture);
    for (auto it = controls.cbegin(); it != controls.cend(); ++it) {
        const QRect r = it.value();
        lines << QStringLiteral("  control %1 at %2,%3 size %4x%5")
                     .arg(it.key())
                     .arg(r.x())
                     .arg(r.y())
                     .arg(r.width())
                     .arg(r.height());
    }
    for (const ProbeRow& r : rows) {
        auto cut = [](const QString& s) { return s.size() > 40 ? s.left(37) + QStringLiteral("...") : s; };
        lines << QStringLiteral("  [%1] %2 label \"%3\" text \"%4\" data \"%5\" (%6/%7/%8) pic %9x%10")
                     .arg(r.row)
                     .arg(r.kind, cut(r.label), cut(r.text), cut(r.data))
                     .arg(r.labelLength)
                     .arg(r.textLength)
                     .arg(r.dataLength)
                     .arg(r.pictureWidth)
                     .arg(r.pictureHeight);
    }
    return lines.join(QLatin1Char('\n'));
}
