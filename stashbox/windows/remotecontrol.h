#pragma once

#include "controlchannel.h"

#include <QString>
#include <QStringList>

class ClipStore;
class Summon;

// The program's command line: a plain start, or a command for the running copy.
struct CommandLine
{
    enum class Action { Start, Help, Version, Command, Invalid };
    Action action = Action::Start;
    // The command, for Action::Command.
    ControlChannel::Request request;
    // Why the line is not understood, for Action::Invalid.
    QString error;

    // `arguments` without the program's name. Single-dash arguments are the toolkit's own
    // (-display, -session) and are left to it.
    static CommandLine parse(const QStringList& arguments);
    static const char* usage();
    // A command that may start the program when none runs; --list reads the saved list instead.
    bool startsProgram() const;
};

// What the running program does for a command from a shell: show, hide or toggle the panel, list
// the items (as text lines, or in full as JSON), or put one on the clipboard as a click would.
class RemoteControl final
{
public:
    RemoteControl(ClipStore& store, Summon& summon);

    ControlChannel::Answer answer(const ControlChannel::Request& request);

private:
    ClipStore& m_store;
    Summon& m_summon;
};
