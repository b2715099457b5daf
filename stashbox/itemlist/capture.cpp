#include "capture.h"
#include "listconstants.h"

#include "clipboardoffer.h"
#include "clipboardport.h"
#include "clipstore.h"
#include "dialogsport.h"
#include "gridmodel.h"
#include "secretmarker.h"

#include <QDateTime>

#include <utility>

Capture::Capture(ClipStore& store, ClipboardPort& clipboard, DialogsPort& dialogs)
    : m_store(store)
    , m_clipboard(clipboard)
    , m_dialogs(dialogs)
{
    m_offerRead = QObject::connect(&clipboard, &ClipboardPort::offerRead,
                                   [this](const std::shared_ptr<ClipboardOffer>& offer) { offerRead(*offer); });
}

Capture::~Capture()
{
    QObject::disconnect(m_offerRead);
}

QString Capture::fullListMessage(int limit)
{
    return QStringLiteral("You have ") + QString::number(limit) + QStringLiteral(" items stored in Stashbox.")
        + QStringLiteral("\r\nYou must either delete an item or turn Stashbox's capture mode off.")
        + QStringLiteral("\r\nYou can turn this warning off by typing '-warn' in the command window,")
        + QStringLiteral("\r\nitems will then roll off the bottom.");
}

QString Capture::tooLargeMessage()
{
    return QStringLiteral("The last copy was not kept: it is larger than %1 MB.").arg(ClipboardOffer::MaxBytes >> 20);
}

QString Capture::listFullMessage()
{
    return QStringLiteral("The last copy was not kept: with it, the list would be too large to save. "
                          "Delete a large item to make room.");
}

QString Capture::pictureStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("MMddyyHHmmss"));
}

Capture::Result Capture::clipboardChanged()
{
    return captureOn ? captureClipboard() : Result::Off;
}

Capture::Result Capture::captureClipboard()
{
    if (!ownWriteGuard)
        return Result::Off;
    return read(Reading::Change);
}

Capture::Result Capture::captureAtStartup()
{
    return read(Reading::Startup);
}

Capture::Result Capture::read(Reading why)
{
    // A newer change replaces a read under way: only the newest offer is ever handed over.
    m_reading = why;
    m_result = Result::Pending;
    // A full list that warns takes nothing: only the secret hint is read then.
    const bool warnOnly = why == Reading::Change && warnWhenFull && m_store.itemCount() > m_store.itemLimit() - 1;
    m_clipboard.readOffer([pictures = imageCapture, warnOnly](ClipboardOffer& offer) {
        if (warnOnly)
            isMarkedSecret(offer);
        else
            prefetch(offer, pictures);
    });
    return m_result;
}

void Capture::prefetch(ClipboardOffer& offer, bool pictures)
{
    if (isMarkedSecret(offer))
        return;
    if (offer.hasRtf()) {
        offer.rtf();
        offer.text();
    } else if (offer.hasText()) {
        offer.text();
    } else if (pictures && offer.hasImage()) {
        offer.picture();
    }
}

void Capture::offerRead(ClipboardOffer& offer)
{
    const Reading why = std::exchange(m_reading, Reading::None);
    if (why == Reading::Change)
        m_result = captureOffer(offer);
    else if (why == Reading::Startup)
        m_result = isMarkedSecret(offer) ? Result::Secret : take(offer, false);
}

Capture::Result Capture::captureOffer(ClipboardOffer& offer)
{
    // The guard and the switch again: the program may have written, or capture been switched off,
    // while the offer was read.
    if (!ownWriteGuard || !captureOn)
        return Result::Off;
    if (isMarkedSecret(offer))
        return Result::Secret;
    const bool full = m_store.itemCount() > m_store.itemLimit() - 1;
    if (full && warnWhenFull) {
        if (showForWarning)
            showForWarning();
        m_dialogs.message(fullListMessage(m_store.itemLimit()), ProgramTitle, DialogsPort::Icon::Information,
                          DialogsPort::Buttons::Ok);
        return Result::Warned;
    }
    if (beforeTaking)
        beforeTaking();
    return take(offer, full);
}

void Capture::writeGuarded(const std::function<void()>& write)
{
    const bool was = ownWriteGuard;
    ownWriteGuard = false;
    write();
    ownWriteGuard = was;
}

QString Capture::uniqueStamp() const
{
    // The stamp names the picture's file; two pictures of the same second get "-2", "-3", ...
    const QString stamp = pictureStamp();
    const GridModel& grid = m_store.grid();
    const auto taken = [&](const QString& name) {
        for (int r = 0; r < grid.rows(); ++r)
            if (m_store.kindOf(r) == ItemKind::Bitmap && grid.textMatrix(r, 2) == name)
                return true;
        return false;
    };
    QString name = stamp;
    for (int n = 2; taken(name); ++n)
        name = stamp + QLatin1Char('-') + QString::number(n);
    return name;
}

bool Capture::rowsHaveText(int column, const QString& value) const
{
    const GridModel& grid = m_store.grid();
    for (int r = 0; r < m_store.itemLimit(); ++r)
        if (grid.textMatrix(r, column) == value)
            return true;
    return false;
}

bool Capture::rowsHavePicture(quint64 fingerprint) const
{
    const GridModel& grid = m_store.grid();
    for (int r = 0; r < m_store.itemLimit(); ++r) {
        // The number at the start of the data cell; RTF and empty cells read as 0.
        const QString data = grid.textMatrix(r, 1);
        qsizetype n = 0;
        while (n < data.size() && data[n].isDigit() && n < 20)
            ++n;
        bool ok = false;
        const quint64 value = data.left(n).toULongLong(&ok);
        if (ok && value == fingerprint)
            return true;
    }
    return false;
}

// Not a modal box: a copy made while the user works elsewhere must not stop the window.
Capture::Result Capture::refuseTooLarge(const QString& why)
{
    m_dialogs.notice(why, ProgramTitle);
    return Result::TooLarge;
}

Capture::Result Capture::take(ClipboardOffer& offer, bool dropOldest)
{
    ClipItem item;
    if (offer.hasRtf()) {
        const QString rtf = offer.rtf();
        if (offer.tooLarge())
            return refuseTooLarge(tooLargeMessage());
        // An empty text would only ever push the oldest item out for nothing.
        if (rtf.isEmpty())
            return Result::Nothing;
        if (rowsHaveText(1, rtf))
            return Result::Duplicate;
        const QString text = offer.text();
        if (offer.tooLarge())
            return refuseTooLarge(tooLargeMessage());
        item = ClipItem{ItemKind::Rtf, text, rtf, {}, text};
    } else if (offer.hasText()) {
        const QString text = offer.text();
        if (offer.tooLarge())
            return refuseTooLarge(tooLargeMessage());
        if (text.isEmpty())
            return Result::Nothing;
        if (rowsHaveText(2, text))
            return Result::Duplicate;
        item = ClipItem{ItemKind::Text, text, {}, {}, text};
    } else if (imageCapture && offer.hasImage()) {
        const Picture picture = offer.picture();
        if (offer.tooLarge())
            return refuseTooLarge(tooLargeMessage());
        if (picture.isNull())
            return Result::Nothing;
        const quint64 fingerprint = picture.fingerprint();
        if (rowsHavePicture(fingerprint))
            return Result::Duplicate;
        item =
            ClipItem{ItemKind::Bitmap, QStringLiteral("IMAGE"), QString::number(fingerprint), picture, uniqueStamp()};
    } else {
        return Result::Nothing;
    }
    if (listFits && !listFits(item))
        return refuseTooLarge(listFullMessage());
    if (dropOldest)
        m_store.setItemCount(m_store.itemCount() - 1);
    m_store.addItem(item);
    return Result::Added;
}
