#include "selectionoffer.h"

namespace {
QStringList withPlainText(QStringList types)
{
    for (const char* name : {"UTF8_STRING", "STRING", "TEXT"})
        if (types.contains(QLatin1String(name)) && !types.contains(QStringLiteral("text/plain")))
            types.append(QStringLiteral("text/plain"));
    return types;
}
} // namespace

SelectionOffer::SelectionOffer(const QStringList& types, Fetch fetch)
    : ClipboardOffer(withPlainText(types))
    , m_types(types)
    , m_fetch(std::move(fetch))
{
}

QByteArray SelectionOffer::fetchData(const QString& mime)
{
    if (m_sealed || !m_types.contains(mime))
        return {};
    bool over = false;
    QByteArray bytes = m_fetch(mime, &over);
    if (over)
        markTooLarge();
    return bytes;
}

QString SelectionOffer::fetchText()
{
    // UTF-8 under any of its names, else Latin-1; one request in every case.
    for (const char* name : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain"})
        if (m_types.contains(QLatin1String(name)))
            return QString::fromUtf8(data(QLatin1String(name)));
    for (const char* name : {"STRING", "TEXT"})
        if (m_types.contains(QLatin1String(name)))
            return QString::fromLatin1(data(QLatin1String(name)));
    return {};
}
