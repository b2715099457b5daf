#pragma once

#include "clipboardoffer.h"

#include <QImage>
#include <QObject>
#include <memory>

// The system clipboard as the program sees it: a change notification, a look at the current offer,
// and writing an item back.
class ClipboardPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::unique_ptr<ClipboardOffer> offer() = 0;
    virtual void clear() = 0;
    virtual void writeText(const QString& text) = 0;
    // Both the RTF (as text/rtf) and its plain text.
    virtual void writeRtf(const QString& rtf, const QString& text) = 0;
    virtual void writeImage(const QImage& image) = 0;

signals:
    // Once per change of the clipboard, including the program's own writes (delivered while writing).
    void changed();
};
