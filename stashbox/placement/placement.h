#pragma once

#include <QRect>
#include <QString>

// What the placement does to the main window. The window implements it; tests record the calls.
// Positions are twips.
class PlacementWindow
{
public:
    virtual ~PlacementWindow() = default;

    virtual int leftTwips() const = 0;
    virtual int topTwips() const = 0;
    virtual void setLeftTwips(int twips) = 0;
    virtual void setTopTwips(int twips) = 0;
    // Lets pending events run (between the steps of a slide).
    virtual void letEventsRun() = 0;
    // Re-applies the window's position and size, shows it, and puts it on top or takes it out of
    // the always-on-top band.
    virtual void SetTopmost(bool on) = 0;
    virtual void setShown(bool on) = 0;
    // Shows the window and brings it to the front.
    virtual void showForm() = 0;
    // The list's widths after a slide out.
    virtual void relayList() = 0;
    // Commits and closes the item-name box.
    virtual void loseNameBox() = 0;
    // The zoom between the window and the notification area.
    virtual void TrayZoom(bool fromTray) = 0;
    virtual void setTrayIcon(const QString& path) = 0;
    virtual void addToTray(const QString& toolTip) = 0;
};

// Where the main window is: at the left screen edge (retracted to a strip, or slid out), or in the
// notification area; the slides between those places and the rules that keep a dragged window on
// the screen. Lengths are twips.
class Placement final
{
public:
    // The strip of the window that stays on screen when it is retracted.
    static constexpr int HandleWidth = 170;
    // The left edge of the slid-out window.
    static constexpr int OutLeft = -300;

    struct Geometry
    {
        int width = 3915;
        int height = 5850;
        int screenWidth = 0;
        int screenHeight = 0;
    };

    // `hideMode` ("w" screen side, "s" tray) and `speed` are read afresh at every use.
    Placement(PlacementWindow& window, const QString& hideMode, const qint16& speed, const QString& trayIconPath);

    void setGeometry(const Geometry& g) { m_geometry = g; }
    const Geometry& geometry() const { return m_geometry; }

    bool inTrayMode() const;
    bool isExtended() const { return m_extended; }
    bool isAnimating() const { return m_animating; }
    bool skipsTrayZoom() const { return m_skipTrayZoom; }

    // The first place of the window, without a slide: retracted at the screen edge, or hidden at
    // its tray-mode place.
    void placeAtStart();
    // Tray mode at start: out for a moment, then into the tray as if the hide button was pressed
    // (without the zoom, which is skipped until the first retract to the tray).
    void startInTray();
    void Extend();
    void Retract();
    // Back from the notification area (a click on the tray icon, the tray menu).
    void showFromTray();
    // The full-list warning needs the window in view.
    void bringIntoView();
    // After the user dragged the window: keep it on the screen.
    void clampAfterDrag();
    // Whether a press on the window's background starts a drag.
    bool backgroundDrags() const { return m_extended; }

    // The tray is chosen on the options page: the next retract to the tray moves the window to its
    // tray-mode place.
    void requestRecentre() { m_recentre = true; }
    void clearSkipTrayZoom() { m_skipTrayZoom = false; }

    // The notification area narrowed to a vertical line at its middle, where the zoom starts or ends.
    static QRect trayLine(const QRect& area);

    int retractedLeft() const { return HandleWidth - m_geometry.width; }
    int trayModeLeft() const { return m_geometry.screenWidth - m_geometry.width - HandleWidth; }
    int centredTop() const { return m_geometry.screenHeight / 2 - m_geometry.height / 2; }

private:
    void slide(int from, int to, int step);
    void retractToTray();

    PlacementWindow& m_window;
    const QString& m_hideMode;
    const qint16& m_speed;
    QString m_trayIconPath;
    Geometry m_geometry;
    bool m_extended = false;
    bool m_animating = false;
    bool m_recentre = false;
    bool m_skipTrayZoom = true;
};
