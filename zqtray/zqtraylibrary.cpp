// The library's entry points: one control class, Zqtray.
#include "controlclass.h"
#include "zqtray.h"

namespace {
ControlClass zqtrayClass("ZqTray_build2.Zqtray", "{5C0A3B7E-2F4D-4E7A-9B61-7D3E0F8A2C15}", "Zqtray",
                         [](QWidget* parent) -> QWidget* { return new Zqtray(parent); });
} // namespace

STASHBOX_CONTROL_LIBRARY(zqtrayClass)
