#pragma once

class ClipboardOffer;

// True when the offer is marked as not to be kept in any history: password managers set
// x-kde-passwordManagerHint to "secret"; Windows programs use the exclusion formats. Only the
// marker formats are read, never the content itself.
bool isMarkedSecret(ClipboardOffer& offer);
