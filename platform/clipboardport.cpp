#include "clipboardport.h"

void ClipboardPort::readOffer(const std::function<void(ClipboardOffer&)>& prefetch)
{
    const std::shared_ptr<ClipboardOffer> current = offer();
    prefetch(*current);
    emit offerRead(current);
}
