#pragma once

#include "managedprocess.h"
#include "rigdesktop.h"

#include <QByteArray>
#include <QJsonObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A private Wayland desktop: headless sway on one output of a fixed size, with XWayland or
// without, plus the programs a person would use on it (wl-copy and wl-paste, grim, our virtual
// pointer, wtype). sway refuses to run as root: started by root (as CI is), it runs as an ordinary
// user (nobody) with a runtime folder of its own, and lets root's X clients onto its XWayland.
// Everything it starts is stopped by pid when it is stopped or destroyed.
class WaylandSession final : public RigDesktop
{
public:
    static constexpr int Width = 1280;
    static constexpr int Height = 1024;

    explicit WaylandSession(bool xwayland);
    ~WaylandSession() override;
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    // False with the reason when sway cannot run here (not installed, no user to run it as, ...).
    bool start(QString* error);
    void stop();

    // WAYLAND_DISPLAY (a full path), DISPLAY while XWayland runs, SWAYSOCK, a private HOME.
    QProcessEnvironment environment() const override;
    // The windows of the title but the first (the main window).
    QStringList visibleDialogs(const QString& titlePattern) override;
    // `windowId` is sway's container id.
    bool pressKey(const QString& windowId, const QString& key) override;

    using Result = RigDesktop::Result;
    Result run(const QString& program, const QStringList& args, int timeoutMs = 10000, const QByteArray& input = {});
    Result run(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs,
               const QByteArray& input = {}) override;
    // Programs that keep running (clipboard owners); stopped with the session or by stopHelpers().
    ManagedProcess* startHelper(const QString& program, const QStringList& args, QString* error = nullptr);
    void stopHelpers();

    // Copying as a Wayland program does (wl-copy stays the owner until someone else copies).
    bool copy(const QByteArray& data, const QString& type, QString* error = nullptr);
    // Pasting as a Wayland program does, whatever window has the focus.
    Result paste(const QString& type);
    QStringList pasteTypes();

    // The virtual pointer.
    bool click(QPoint p);
    bool moveMouse(QPoint p);
    // Focuses the sway container `id`, then types `keys` (key names) into it.
    bool typeKeys(const QString& id, const QStringList& keys);
    // Visible windows whose title matches: their sway container ids, oldest first.
    QStringList windows(const QString& titlePattern);
    // Where the window `id` is on the output, as the compositor placed it; (-1, -1) when it is not.
    QPoint windowOrigin(const QString& id);
    bool screenshot(const QString& path);
    // XWayland's display; "" without XWayland.
    QString display() const { return m_xDisplay; }
    // The rig's own Wayland tools: the virtual pointer and the data-control clipboard owner.
    static QString pointerTool();
    static QString clipOwnerTool();

private:
    QJsonObject tree();
    bool waitForSway(QString* error);

    bool m_xwayland;
    QTemporaryDir m_temp;
    QString m_waylandDisplay;
    QString m_swaySocket;
    QString m_xDisplay;
    std::unique_ptr<ManagedProcess> m_sway;
    std::vector<std::unique_ptr<ManagedProcess>> m_helpers;
};
