#pragma once

#include "managedprocess.h"
#include "probestate.h"
#include "rigdesktop.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// One run of the real program on a virtual desktop: from a fresh copy of the built
// program folder, with HOME and the XDG folders of its own, so every run
// starts with no settings, no autosave and no lock of an earlier run.
class StashboxApp final
{
public:
    explicit StashboxApp(RigDesktop& session);
    ~StashboxApp();
    StashboxApp(const StashboxApp&) = delete;
    StashboxApp& operator=(const StashboxApp&) = delete;

    // Lines of the per-user settings file, written before start.
    void setSetting(const QString& key, const QString& value);
    // Runs the program installed at `program` instead of a copy of the build's program folder.
    void setInstalledProgram(const QString& program) { m_installedProgram = program; }

    // Whether start() waits for the main window to be on screen (not when it
    // starts hidden in the tray, say).  On, a first-start message box is
    // answered with Return, as a user would.
    void setExpectWindow(bool on) { m_expectWindow = on; }

    // Copies the program folder, starts the copy and waits (bounded) for its
    // first probe, and for its main window.
    bool start(QString* error, int timeoutMs = 15000);
    // Starts the program again in the same folders after stop(), as a user would the next day.
    bool restart(QString* error, int timeoutMs = 15000);
    // One more copy in the same folders while this one runs, for the single-instance check; the
    // caller owns and stops it.
    std::unique_ptr<ManagedProcess> launchAnother(QString* error);
    void stop();
    // Runs the program with a command (--toggle, --list, ...) in this run's folders, as a user's
    // shell would, and gives what it printed on stdout.
    RigDesktop::Result command(const QStringList& args, int timeoutMs = 15000);
    // The socket the running copy listens on.
    QString socketPath() const;
    // The home folder the program runs with, and its XDG config folder.
    QString homePath() const;
    QString configPath() const;

    bool isAlive();
    QString exitDescription();
    qint64 pid() const;
    QString folder() const;
    // Where the program keeps this user's settings and list: beside a copied program, in the
    // per-user data folder for an installed one.
    QString userFolder() const;
    QString settingsPath() const;
    QString probePath() const;
    // The program's stdout and stderr, for failure messages.
    QString outputTail(int maxChars = 2000) const;

    std::optional<ProbeState> state() const;
    using Predicate = std::function<bool(const ProbeState&)>;
    // Polls the probe until the predicate holds; returns false on timeout or
    // when the program is gone.  last receives the last state seen.
    bool waitFor(const Predicate& predicate, int timeoutMs, ProbeState* last = nullptr);
    // Waits for a write newer than seq.
    bool waitForChange(qint64 seq, int timeoutMs, ProbeState* last = nullptr);

private:
    bool copyProgramFolder(const QString& from, const QString& to, QString* error) const;
    bool writeSettings(QString* error) const;
    bool waitForWindow(QString* error, int timeoutMs);
    // Waits until the probe has not changed for a moment.
    bool waitForQuiet(QString* error, int timeoutMs);
    QProcessEnvironment environment() const;
    bool launch(QString* error, int timeoutMs);
    QString program() const;

    RigDesktop& m_session;
    QTemporaryDir m_temp;
    QList<QPair<QString, QString>> m_settings;
    QString m_installedProgram;
    std::unique_ptr<ManagedProcess> m_process;
    bool m_expectWindow = true;
    // This run greets the user with the first-start message.
    bool m_greeted = false;
};
