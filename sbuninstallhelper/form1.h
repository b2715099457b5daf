#pragma once

// The helper's only form. It is never shown: its load does the whole job and then it goes away,
// which ends the program.
class Form1 final
{
public:
    Form1() = default;

    // Removes the current user's start-at-login entry "Stashbox". Every step ignores its own
    // failure: a missing entry or a refused deletion still ends quietly.
    void Form_Load();
};
