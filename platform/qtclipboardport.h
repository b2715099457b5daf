#pragma once

#include "clipboardport.h"

class QClipboard;

// The clipboard of the running Qt application (X11: CLIPBOARD selection, changes seen through XFixes).
class QtClipboardPort final : public ClipboardPort
{
    Q_OBJECT
public:
    explicit QtClipboardPort(QObject* parent = nullptr);

    std::unique_ptr<ClipboardOffer> offer() override;
    void clear() override;
    void writeText(const QString& text) override;
    void writeRtf(const QString& rtf, const QString& text) override;
    void writeImage(const QImage& image) override;

private:
    QClipboard* m_clipboard;
};
