#pragma once

#include <QColor>
#include <QPalette>

// Colours at the control interfaces are OLE colours: 0x00BBGGRR, or, with the high bit set, the
// index of a system colour. The system colours are the desktop's palette here.
namespace OleColors {

inline constexpr quint32 kSystemColourFlag = 0x80000000u;

// The colour to draw with. A system index that names no system colour gives black, as a failed
// translation draws.
QColor toColor(quint32 ole, const QPalette& palette);
// The same with the application's palette.
QColor toColor(quint32 ole);

} // namespace OleColors
