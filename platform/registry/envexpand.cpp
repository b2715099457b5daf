#include "envexpand.h"

namespace {

constexpr qsizetype kMaxExpansion = 32767;

QString expand(const QString& source)
{
    QString out;
    qsizetype i = 0;
    while (i < source.size()) {
        const qsizetype open = source.indexOf(QLatin1Char('%'), i);
        if (open < 0) {
            out += QStringView(source).sliced(i);
            break;
        }
        out += QStringView(source).sliced(i, open - i);
        const qsizetype close = source.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            out += QStringView(source).sliced(open);
            break;
        }
        const QString name = source.sliced(open + 1, close - open - 1);
        const QByteArray key = name.toLocal8Bit();
        if (!name.isEmpty() && !key.contains('=') && !key.contains('\0')
            && qEnvironmentVariableIsSet(key.constData())) {
            out += qEnvironmentVariable(key.constData());
            i = close + 1;
        } else {
            // Not a reference: keep the opening sign and let the closing one start the next try.
            out += QStringView(source).sliced(open, close - open);
            i = close;
        }
        if (out.size() > kMaxExpansion)
            break;
    }
    return out;
}

} // namespace

quint32 expandEnvironmentStrings(const QString& source, QString* result, quint32 capacity)
{
    const QString expanded = expand(source);
    if (expanded.size() > kMaxExpansion)
        return 0;
    const auto needed = quint32(expanded.size() + 1);
    if (result && capacity >= needed)
        *result = expanded;
    return needed;
}

QString expandedEnvironmentStrings(const QString& source)
{
    QString result;
    if (expandEnvironmentStrings(source, &result, quint32(kMaxExpansion + 1)) == 0)
        return source;
    return result;
}
