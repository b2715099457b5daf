#include "placement.h"

Placement::Placement(PlacementWindow& window, const QString& hideMode, const qint16& speed, const QString& trayIconPath)
    : m_window(window)
    , m_hideMode(hideMode)
    , m_speed(speed)
    , m_trayIconPath(trayIconPath)
{
}

bool Placement::inTrayMode() const
{
    return m_hideMode == QLatin1String("s");
}

void Placement::placeAtStart()
{
    if (inTrayMode()) {
        m_window.setShown(false);
        m_window.setLeftTwips(trayModeLeft());
        m_window.setTopTwips(centredTop());
    } else {
        m_window.setLeftTwips(retractedLeft());
        m_window.setTopTwips(centredTop());
        m_window.setShown(true);
    }
}

void Placement::startInTray()
{
    m_window.setShown(false);
    m_extended = true;
    Retract();
}

// Moves the left edge from `from` towards `to` by `step` (signed), letting events run after each
// step, then sets it to exactly `to`. Another slide asked for meanwhile finds the animating flag.
// A speed of zero or less makes no steps rather than a slide that never ends.
void Placement::slide(int from, int to, int step)
{
    m_animating = true;
    if (step > 0) {
        for (int x = from; x <= to; x += step) {
            m_window.setLeftTwips(x);
            m_window.letEventsRun();
        }
    } else if (step < 0) {
        for (int x = from; x >= to; x += step) {
            m_window.setLeftTwips(x);
            m_window.letEventsRun();
        }
    }
    m_window.setLeftTwips(to);
    m_animating = false;
}

void Placement::Extend()
{
    if (inTrayMode())
        return;
    const int step = 2 * m_speed;
    m_window.SetTopmost(true);
    if (m_extended || m_animating)
        return;
    slide(retractedLeft(), OutLeft, step > 0 ? step : 0);
    m_window.letEventsRun();
    m_extended = true;
    m_window.relayList();
    m_window.showForm();
}

void Placement::Retract()
{
    m_window.loseNameBox();
    if (inTrayMode()) {
        retractToTray();
        return;
    }
    m_window.SetTopmost(true);
    if (!m_extended || m_animating)
        return;
    const int step = 4 * m_speed;
    slide(OutLeft, retractedLeft(), step > 0 ? -step : 0);
    m_extended = false;
}

void Placement::retractToTray()
{
    if (!m_extended || m_animating)
        return;
    m_window.setTrayIcon(m_trayIconPath);
    if (!m_skipTrayZoom)
        m_window.TrayZoom(false);
    m_skipTrayZoom = false;
    m_window.addToTray(QStringLiteral("Stashbox"));
    m_extended = false;
    m_window.setShown(false);
    if (m_recentre) {
        m_window.setLeftTwips(trayModeLeft());
        m_window.setTopTwips(centredTop());
        m_recentre = false;
    }
}

void Placement::showFromTray()
{
    if (m_extended) {
        m_window.showForm();
        return;
    }
    m_window.TrayZoom(true);
    m_window.setShown(true);
    m_window.SetTopmost(true);
    m_window.showForm();
    m_extended = true;
}

void Placement::bringIntoView()
{
    if (inTrayMode()) {
        showFromTray();
        return;
    }
    m_window.showForm();
    Extend();
}

void Placement::clampAfterDrag()
{
    const Geometry& g = m_geometry;
    if (m_window.topTwips() + g.height > g.screenHeight)
        m_window.setTopTwips(g.screenHeight - g.height);
    if (m_window.leftTwips() + g.width > g.screenWidth)
        m_window.setLeftTwips(g.screenWidth - g.width);
    // A little further off the edge than the slid-out place is allowed; more goes back to it.
    if (m_window.leftTwips() < OutLeft - 10)
        m_window.setLeftTwips(OutLeft);
    if (m_window.topTwips() < 0)
        m_window.setTopTwips(0);
}

QRect Placement::trayLine(const QRect& area)
{
    if (area.isEmpty())
        return {};
    const int right = area.x() + area.width();
    const int middle = area.x() + (right - area.x() + 1) / 2;
    return QRect(middle, area.y(), 1, area.height());
}
