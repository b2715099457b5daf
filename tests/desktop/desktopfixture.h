#pragma once

#include "clipownerprocess.h"
#include "probestate.h"
#include "stashboxapp.h"
#include "xsession.h"

#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <vector>

// What every desktop test program needs: one private X session for the whole
// program, a fresh copy of Stashbox per case, clipboard owners that live until
// the case ends, and diagnostics (screenshot, program output, last probe)
// when a case fails.  Helpers return false and leave the reason in error().
class DesktopFixture final
{
public:
    using Settings = QList<QPair<QString, QString>>;

    DesktopFixture();
    ~DesktopFixture();
    DesktopFixture(const DesktopFixture&) = delete;
    DesktopFixture& operator=(const DesktopFixture&) = delete;

    bool startSession();
    void stopSession();
    // Later cases run the program installed at `program` (see StashboxApp::setInstalledProgram).
    void setInstalledProgram(const QString& program) { m_installedProgram = program; }
    // Starts the program with an empty clipboard and waits for its first,
    // empty list; with `answerWelcome` off, the first start's welcome box is
    // left open.
    bool startApp(const Settings& settings = {}, bool answerWelcome = true);
    // Stops the program and every clipboard owner; on failure first saves a
    // screenshot beside the test program and prints what the program said.
    void endCase(const QString& caseName, bool failed);

    XSession& session() { return m_session; }
    StashboxApp& app() { return *m_app; }
    const QString& error() const { return m_error; }

    // A clipboard owner that lives until the case ends; configure, then start().
    ClipOwnerProcess& newOwner();
    // Another program copies text (through clipowner, so requests are logged).
    ClipOwnerProcess* copyText(const QString& text);
    bool start(ClipOwnerProcess& owner);

    bool waitForTopText(const QString& text, int timeoutMs, ProbeState* state = nullptr);
    // Copies a fresh text and waits until it is on top.  Clipboard changes are
    // handled in order, so every change before it has been dealt with by then.
    bool sentinel(ProbeState* state, QString* text = nullptr, int timeoutMs = 10000);
    // Makes sure the named control of the main window is on screen: when the
    // window sits retracted at the screen edge, the pointer goes over its
    // handle so that it slides out, as a user would do.
    bool reveal(const QString& control, ProbeState* state);
    // The program is still running and its list is consistent.
    bool intact(const ProbeState& state);
    bool fail(const QString& why);

private:
    XSession m_session;
    std::unique_ptr<StashboxApp> m_app;
    std::vector<std::unique_ptr<ClipOwnerProcess>> m_owners;
    QString m_error;
    QString m_installedProgram;
    int m_sentinels = 0;
};
