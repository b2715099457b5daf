#pragma once

#include <QString>

class RegistryStore;

// The start-with-the-system entry: the value "Stashbox" of the current user's Run key, which the
// registry store keeps as an autostart entry of the desktop.
class StartWithSystem final
{
public:
    static inline const QString RunKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    static inline const QString ValueName = QStringLiteral("Stashbox");

    // Writes the entry for `programPath` when `on`, removes it otherwise. False when the store refused.
    static bool apply(RegistryStore& registry, bool on, const QString& programPath);
    // The program named by the entry, or "" when there is none.
    static QString current(RegistryStore& registry);
};
