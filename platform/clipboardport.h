#pragma once

#include "clipboardoffer.h"

#include <QImage>
#include <QObject>
#include <functional>
#include <memory>

// The system clipboard as the program sees it: a change notification, a look at the current offer,
// and writing an item back.
class ClipboardPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The current offer; its data is fetched, and waited for, by whoever asks for it.
    virtual std::unique_ptr<ClipboardOffer> offer() = 0;
    // Reads the current offer without making the caller wait: `prefetch` runs with the offer where
    // waiting does no harm and touches the data the caller will use; `offerRead` then hands the
    // offer over. A change of the clipboard abandons a read still under way: its offer never comes.
    // Here the read is done at once, before this returns.
    virtual void readOffer(const std::function<void(ClipboardOffer&)>& prefetch);
    virtual void clear() = 0;
    virtual void writeText(const QString& text) = 0;
    // Both the RTF (as text/rtf) and its plain text.
    virtual void writeRtf(const QString& rtf, const QString& text) = 0;
    virtual void writeImage(const QImage& image) = 0;

signals:
    // Once per change of the clipboard, including the program's own writes (delivered while writing).
    void changed();
    // The offer a readOffer() asked for, its prefetched data in hand.
    void offerRead(const std::shared_ptr<ClipboardOffer>& offer);
};
