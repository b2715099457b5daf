#pragma once

#include "clipitem.h"

// The program's own small pictures for the item kinds, drawn at start rather than shipped.
KindIcons makeKindIcons();
