#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What the rig's program runs need of a virtual desktop (X11 or Wayland): the environment of its
// programs, and a way to find and answer the program's message boxes.
class RigDesktop
{
public:
    virtual ~RigDesktop() = default;

    // A clean environment for programs on this desktop: nothing of the caller's own session.
    virtual QProcessEnvironment environment() const = 0;
    // Visible message boxes and other dialogs whose title matches (not the main windows).
    virtual QStringList visibleDialogs(const QString& titlePattern) = 0;
    // Activates the window and types a key into it (an X key name, e.g. Return).
    virtual bool pressKey(const QString& windowId, const QString& key) = 0;

    struct Result
    {
        bool finished = false;
        int exitCode = -1;
        QByteArray output;
    };
    // Runs a short-lived tool on this desktop with an environment of the caller's, bounded; killed
    // when it overruns.
    virtual Result run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                       int timeoutMs, const QByteArray& input = {}) = 0;
};
