#pragma once

#include <QString>

// The running processes of the machine.
class ProcessList final
{
public:
    // True when a process whose executable name is exactly `name` is running (case-sensitive; the
    // kernel's process name and the base name of the executable are both compared).
    static bool isRunning(const QString& name);
};
