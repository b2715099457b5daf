#pragma once

#include "clipboardoffer.h"

#include <functional>

// An offer of another program read on a thread of its own (an X selection, a Wayland selection):
// each type is fetched through `fetch` while the read is under way; once handed over (sealed) it
// fetches nothing more, so what was not read by then is simply not there. The plain text may come
// under any of the usual names, UTF-8 or Latin-1.
class SelectionOffer final : public ClipboardOffer
{
public:
    // The bytes of `type`; `*tooLarge` set when they were more than MaxBytes (and not read).
    using Fetch = std::function<QByteArray(const QString& type, bool* tooLarge)>;
    SelectionOffer(const QStringList& types, Fetch fetch);

    void seal() { m_sealed = true; }

protected:
    QByteArray fetchData(const QString& mime) override;
    QString fetchText() override;

private:
    QStringList m_types;
    Fetch m_fetch;
    bool m_sealed = false;
};
