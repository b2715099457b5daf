#include "summon.h"

#include "placement.h"

#include <utility>

Summon::Summon(Placement& placement, SummonWindow& window)
    : m_placement(placement)
    , m_window(window)
{
}

void Summon::show()
{
    // The window to go back to is the one that had the keyboard before the panel took it (the
    // desktop knows; the window's own idea of having the keyboard may lag behind).
    if (const quintptr focused = m_window.focusedWindow(); focused != 0)
        m_previous = focused;
    if (m_placement.inTrayMode())
        m_placement.showFromTray();
    else
        m_placement.Extend();
    // A slide under way refuses another one.
    if (!m_placement.isExtended())
        return;
    m_summoned = true;
    m_window.takeKeyboard();
}

void Summon::hide()
{
    const bool summoned = std::exchange(m_summoned, false);
    const quintptr previous = std::exchange(m_previous, 0);
    // The user may have turned to another window meanwhile: that one keeps the keyboard.
    const bool giveBack = summoned && previous != 0 && m_window.focusedWindow() == 0;
    m_window.retract();
    if (giveBack)
        m_window.giveFocusTo(previous);
}

void Summon::toggle()
{
    if (m_placement.isExtended())
        hide();
    else
        show();
}

void Summon::itemPicked()
{
    if (m_summoned)
        hide();
}

void Summon::retracted()
{
    if (m_placement.isExtended())
        return;
    m_summoned = false;
    m_previous = 0;
}
