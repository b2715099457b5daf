#pragma once

#include "clipboardport.h"

#include <QBuffer>
#include <QHash>
#include <QSet>

// A clipboard whose offers the test sets. Like the real one, the program's own writes notify
// while they are being written.
class ScriptedClipboard final : public ClipboardPort
{
public:
    QHash<QString, QByteArray> current;
    QHash<QString, int> fetches;
    // Types whose owner offers more than an offer may hold.
    QSet<QString> tooLarge;
    int writes = 0;

    // Another program takes the clipboard.
    void copy(const QHash<QString, QByteArray>& offer)
    {
        current = offer;
        emit changed();
    }

    std::unique_ptr<ClipboardOffer> offer() override { return std::make_unique<CountingOffer>(*this); }
    void clear() override { current.clear(); }
    void writeText(const QString& text) override { own({{"text/plain", text.toUtf8()}}); }
    void writeRtf(const QString& rtf, const QString& text) override
    {
        own({{"text/rtf", rtf.toLatin1()}, {"text/plain", text.toUtf8()}});
    }
    void writeImage(const QImage& image) override
    {
        QByteArray bytes;
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        image.save(&b, "PNG");
        own({{"image/png", bytes}});
    }

private:
    class CountingOffer final : public ClipboardOffer
    {
    public:
        explicit CountingOffer(ScriptedClipboard& owner)
            : ClipboardOffer(owner.current.keys())
            , m_owner(owner)
        {
        }

    protected:
        QByteArray fetchData(const QString& mime) override
        {
            ++m_owner.fetches[mime];
            if (m_owner.tooLarge.contains(mime)) {
                markTooLarge();
                return {};
            }
            return m_owner.current.value(mime);
        }

    private:
        ScriptedClipboard& m_owner;
    };

    void own(const QHash<QString, QByteArray>& offer)
    {
        ++writes;
        current = offer;
        emit changed();
    }
};
