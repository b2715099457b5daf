// The library's entry points: one control class, Check.
#include "check.h"
#include "controlclass.h"

namespace {
ControlClass checkClass("FlatTick.Check", "{9E41C6B2-7A3D-4F0E-8C25-1B6D4E9A7F30}", "Check",
                        [](QWidget* parent) -> QWidget* { return new Check(parent); });
} // namespace

STASHBOX_CONTROL_LIBRARY(checkClass)
