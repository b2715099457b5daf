#pragma once

#include "clipboardport.h"

class WaylandSelection;
struct SelectionContent;

// The clipboard of a Wayland session, through the compositor's data-control protocol
// (WaylandSelection): every change is seen and every offer read on a thread of its own, whatever
// window has the focus, and what the program writes is the selection of the whole session.
class WaylandClipboardPort final : public ClipboardPort
{
    Q_OBJECT
public:
    explicit WaylandClipboardPort(QObject* parent = nullptr);
    ~WaylandClipboardPort() override;

    // False without a compositor offering data-control: the port then sees and writes nothing.
    bool isConnected() const;

    std::unique_ptr<ClipboardOffer> offer() override;
    void readOffer(const std::function<void(ClipboardOffer&)>& prefetch) override;
    void clear() override;
    void writeText(const QString& text) override;
    void writeRtf(const QString& rtf, const QString& text) override;
    void writeImage(const QImage& image) override;

    // The types a text is offered under.
    static QStringList textTypes();

private:
    void put(std::shared_ptr<const SelectionContent> content);
    std::unique_ptr<ClipboardOffer> ownOffer() const;

    std::unique_ptr<WaylandSelection> m_selection;
    // What we last wrote, while it is the selection.
    std::shared_ptr<const SelectionContent> m_own;
    quint64 m_writes = 0;
    quint64 m_reading = 0;
};
