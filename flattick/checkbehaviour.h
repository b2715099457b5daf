#pragma once

#include <QtGlobal>

// The three values of a check box.
enum CheckTypes : qint32 { Unchecked = 0, Checked = 1, Greyed = 2 };

// How the box looks apart from its value.
enum class CheckLook { Idle, MouseOver, Pushed, Disabled };

// What a check box does with its value, its enabled state and the mouse, apart from any widget:
// which look it shows, and whether the hover tracking is on. The control raises the events around
// these steps.
class CheckBehaviour final
{
public:
    CheckTypes value() const { return m_value; }
    // The box picture shown: a look and the value it shows, which while the box is held down is
    // the value from before the press.
    CheckLook look() const { return m_look; }
    CheckTypes shownValue() const { return m_shownValue; }
    bool enabled() const { return m_enabled; }
    // Mouse input counts only while this is set; it follows the enabled state.
    bool active() const { return m_active; }
    // Whether the hover look follows the mouse (stopped while the box is held down or disabled).
    bool tracking() const { return m_tracking; }

    // Shows the box at rest again (idle, or disabled) and returns the value.
    CheckTypes readValue();
    // Stores the value and shows it at rest. A number that is none of the three values is refused
    // and changes nothing.
    bool setValue(qint64 value);
    void setEnabled(bool enabled);
    // When the control becomes visible and after a release.
    void startTracking() { m_tracking = true; }

    // A press that the control accepted (while active), other than with the right button: the box
    // shows pushed and the value changes at once (a greyed box becomes unchecked).
    void press();
    // One step of hover tracking: the look for whether the mouse is over the box or caption.
    void hover(bool over);

private:
    void show(CheckLook look);
    void showAtRest() { show(m_enabled ? CheckLook::Idle : CheckLook::Disabled); }

    CheckTypes m_value = Unchecked;
    CheckLook m_look = CheckLook::Idle;
    CheckTypes m_shownValue = Unchecked;
    bool m_enabled = true;
    bool m_active = true;
    bool m_tracking = true;
};
