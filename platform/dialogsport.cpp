#include "dialogsport.h"

#include <QStringList>

QString DialogsPort::toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')).trimmed();
        if (patterns.isEmpty())
            continue;
        out.append(QStringLiteral("%1 (%2)").arg(description.isEmpty() ? patterns : description, patterns));
    }
    return out.join(QStringLiteral(";;"));
}
