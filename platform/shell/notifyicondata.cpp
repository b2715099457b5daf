#include "notifyicondata.h"

#include <QtEndian>

#include <cstring>

void NotifyIconData::setTip(const QString& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray next = text.mid(i, length).toLocal8Bit();
        if (bytes.size() + next.size() > kTipBytes - 1)
            break;
        bytes += next;
        i += length;
    }
    std::memset(szTip, 0, sizeof szTip);
    std::memcpy(szTip, bytes.constData(), size_t(bytes.size()));
}

QString NotifyIconData::tip() const
{
    return QString::fromLocal8Bit(szTip, qsizetype(qstrnlen(szTip, sizeof szTip)));
}

QByteArray NotifyIconData::toBytes() const
{
    QByteArray out(kSize, '\0');
    char* p = out.data();
    for (const quint32 field : {cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon}) {
        qToLittleEndian(field, p);
        p += 4;
    }
    std::memcpy(p, szTip, sizeof szTip);
    return out;
}

bool NotifyIconData::fromBytes(const QByteArray& bytes, NotifyIconData* out)
{
    if (bytes.size() != kSize || qFromLittleEndian<quint32>(bytes.constData()) != kSize)
        return false;
    const char* p = bytes.constData();
    quint32* fields[] = {&out->cbSize, &out->hWnd, &out->uID, &out->uFlags, &out->uCallbackMessage, &out->hIcon};
    for (quint32* field : fields) {
        *field = qFromLittleEndian<quint32>(p);
        p += 4;
    }
    std::memcpy(out->szTip, p, sizeof out->szTip);
    return qstrnlen(out->szTip, sizeof out->szTip) < sizeof out->szTip;
}
