#pragma once

#include "checkbehaviour.h"

#include <QImage>

// The twelve box pictures of the check box, one per look and value, drawn here in code: a flat
// rounded box, filled with the accent colour and ticked when checked, with a square in it when
// greyed. Mouse over lightens, pushed darkens, disabled turns it grey.
namespace CheckGlyphs {

inline constexpr int kSize = 13;

// The picture's name (IdleNoValue, MouseoverChecked, DisabledGrey, ...).
const char* name(CheckLook look, CheckTypes value);
// 13 x 13, transparent in the rounded corners; drawn once and shared.
const QImage& image(CheckLook look, CheckTypes value);

} // namespace CheckGlyphs
