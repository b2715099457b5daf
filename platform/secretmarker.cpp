#include "secretmarker.h"

#include "clipboardoffer.h"

#include <QtEndian>

bool isMarkedSecret(ClipboardOffer& offer)
{
    static const QString passwordHint = QStringLiteral("x-kde-passwordManagerHint");
    static const QString exclude = QStringLiteral("ExcludeClipboardContentFromMonitorProcessing");
    static const QString viewerIgnore = QStringLiteral("Clipboard Viewer Ignore");
    static const QString historyAllowed = QStringLiteral("CanIncludeInClipboardHistory");

    if (offer.hasFormat(exclude) || offer.hasFormat(viewerIgnore))
        return true;
    if (offer.hasFormat(passwordHint)) {
        QByteArray hint = offer.data(passwordHint);
        while (hint.endsWith('\0'))
            hint.chop(1);
        if (hint.trimmed() == "secret")
            return true;
    }
    if (offer.hasFormat(historyAllowed)) {
        const QByteArray v = offer.data(historyAllowed);
        if (v.size() >= 4 && qFromLittleEndian<quint32>(v.constData()) == 0)
            return true;
    }
    return false;
}
