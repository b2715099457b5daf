#pragma once

#include "picture.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// One look at what the clipboard offers right now. The list of formats is known up front; the data
// of each format is fetched from the clipboard's owner only when asked for, and at most once.
class ClipboardOffer
{
public:
    explicit ClipboardOffer(QStringList formats);
    virtual ~ClipboardOffer();
    ClipboardOffer(const ClipboardOffer&) = delete;
    ClipboardOffer& operator=(const ClipboardOffer&) = delete;

    // More of one type than this is not a copy anybody made: the offer is then not taken at all,
    // however it arrives (in one piece or in many, through our reader or through Qt).
    static constexpr qsizetype MaxBytes = qsizetype(256) << 20;

    const QStringList& formats() const { return m_formats; }
    bool hasFormat(const QString& mime) const { return m_formats.contains(mime); }
    QByteArray data(const QString& mime);

    // Rich text: the first of text/rtf, application/rtf, text/richtext that is offered.
    QString rtfFormat() const;
    bool hasRtf() const { return !rtfFormat().isEmpty(); }
    // The RTF source; bytes are kept one to one (Latin-1) so it goes back out unchanged.
    QString rtf();

    virtual bool hasText() const;
    QString text();

    virtual bool hasImage() const;
    // The offered picture; null when it cannot be decoded.
    Picture picture();

    static const QStringList& rtfFormats();

    // A type of this offer was larger than MaxBytes: nothing more is fetched, and what was fetched
    // must not be used.
    bool tooLarge() const { return m_tooLarge; }

protected:
    void markTooLarge() { m_tooLarge = true; }
    virtual QByteArray fetchData(const QString& mime) = 0;
    virtual QString fetchText();
    virtual QImage fetchImage(QByteArray* encodedOut);

    // The image types offered that we can decode, best first.
    QStringList imageFormats() const;

private:
    QStringList m_formats;
    QHash<QString, QByteArray> m_data;
    std::optional<QString> m_text;
    std::optional<Picture> m_picture;
    bool m_tooLarge = false;
};

// An offer held in memory: for offers the program builds itself and for tests.
class StaticOffer final : public ClipboardOffer
{
public:
    explicit StaticOffer(const QHash<QString, QByteArray>& data);
    int fetchCount(const QString& mime) const { return m_fetches.value(mime); }

protected:
    QByteArray fetchData(const QString& mime) override;

private:
    QHash<QString, QByteArray> m_source;
    QHash<QString, int> m_fetches;
};
