// The library's entry points: one control class, ZqCommand.
#include "controlclass.h"
#include "zqcommand.h"

namespace {
ControlClass zqCommandClass("ZqCustomButton.ZqCommand", "{3F6B2D81-9C4E-4A17-B5D2-6E0A8C1F4B93}", "ZqCommand",
                            [](QWidget* parent) -> QWidget* { return new ZqCommand(parent); });
} // namespace

STASHBOX_CONTROL_LIBRARY(zqCommandClass)
