#pragma once

#include "clipboardport.h"

class QClipboard;
class XcbSelectionReader;

// The clipboard of the running Qt application (X11: CLIPBOARD selection, changes seen through XFixes).
// On X11, offers of other programs are read on a thread of their own (XcbSelectionReader).
class QtClipboardPort final : public ClipboardPort
{
    Q_OBJECT
public:
    explicit QtClipboardPort(QObject* parent = nullptr);
    ~QtClipboardPort() override;

    std::unique_ptr<ClipboardOffer> offer() override;
    void readOffer(const std::function<void(ClipboardOffer&)>& prefetch) override;
    void clear() override;
    void writeText(const QString& text) override;
    void writeRtf(const QString& rtf, const QString& text) override;
    void writeImage(const QImage& image) override;

private:
    XcbSelectionReader* selectionReader();

    QClipboard* m_clipboard;
    std::unique_ptr<XcbSelectionReader> m_reader;
    bool m_readerTried = false;
    quint64 m_reading = 0;
};
