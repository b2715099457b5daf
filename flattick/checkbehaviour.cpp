#include "checkbehaviour.h"

void CheckBehaviour::show(CheckLook look)
{
    m_look = look;
    m_shownValue = m_value;
}

CheckTypes CheckBehaviour::readValue()
{
    showAtRest();
    return m_value;
}

bool CheckBehaviour::setValue(qint64 value)
{
    if (value != Unchecked && value != Checked && value != Greyed)
        return false;
    m_value = CheckTypes(value);
    showAtRest();
    return true;
}

void CheckBehaviour::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_active = enabled;
    m_tracking = enabled;
    showAtRest();
}

void CheckBehaviour::press()
{
    m_tracking = false;
    show(CheckLook::Pushed);
    m_value = m_value == Unchecked ? Checked : Unchecked;
}

void CheckBehaviour::hover(bool over)
{
    if (!m_tracking || !m_enabled)
        return;
    show(over ? CheckLook::MouseOver : CheckLook::Idle);
}
