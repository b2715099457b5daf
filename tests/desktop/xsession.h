#pragma once

#include "managedprocess.h"
#include "rigdesktop.h"

#include <QByteArray>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A private X desktop: Xvfb on a free display, the openbox window manager and
// the trayer notification area, plus the other programs a person would use on
// it (xclip, xdotool, import).  Everything it starts is stopped by pid when it
// is stopped or destroyed.
class XSession final : public RigDesktop
{
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool start(QString* error);
    void stop();
    bool isRunning() const { return m_xvfb != nullptr; }

    QString display() const { return m_display; }
    // A clean environment for programs on this display: PATH, locale, DISPLAY
    // and a private HOME; nothing of the caller's desktop session.
    QProcessEnvironment environment() const override;
    QString tempPath() const { return m_temp.path(); }

    using Result = RigDesktop::Result;
    // Runs a short-lived tool on this display, bounded; killed when it overruns.
    Result run(const QString& program, const QStringList& args, int timeoutMs = 10000, const QByteArray& input = {});
    // The same with an environment of the caller's.
    Result run(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs,
               const QByteArray& input = {}) override;

    // Programs that keep running (clipboard owners); stopped with the session
    // or by stopHelpers().
    ManagedProcess* startHelper(const QString& program, const QStringList& args, QString* error = nullptr,
                                bool keepOutput = false);
    void stopHelpers();

    // Copying as another program does, through xclip (which stays the owner
    // until someone else copies).
    bool copyText(const QString& text, QString* error = nullptr);
    bool copyFile(const QString& path, const QString& mimeType, QString* error = nullptr);

    // Reading the clipboard back as a pasting program would.
    Result readClipboard(const QString& target = QStringLiteral("UTF8_STRING"), int timeoutMs = 10000);
    QStringList clipboardTargets(int timeoutMs = 10000);

    // Visible top-level windows whose title matches the regular expression.
    QStringList visibleWindows(const QString& titlePattern);
    // Visible message boxes and other dialogs whose title matches (not the main windows).
    QStringList visibleDialogs(const QString& titlePattern) override;
    // Activates the window and types a key into it (a key name of xdotool, e.g. Return).
    bool pressKey(const QString& windowId, const QString& key) override;
    bool click(QPoint p, int button = 1);
    // The window of a tray icon whose name matches, once trayer has embedded it; empty otherwise.
    QString trayIcon(const QString& namePattern);
    bool moveMouse(QPoint p);
    bool screenshot(const QString& path);

private:
    bool waitForWindowManager(int timeoutMs);
    bool waitForSelectionOwner(const QString& selection, int timeoutMs);
    bool startXclip(const QStringList& args, const QByteArray& input, QString* error);

    QTemporaryDir m_temp;
    QString m_display;
    std::unique_ptr<ManagedProcess> m_xvfb;
    std::unique_ptr<ManagedProcess> m_windowManager;
    std::unique_ptr<ManagedProcess> m_tray;
    std::vector<std::unique_ptr<ManagedProcess>> m_helpers;
};
