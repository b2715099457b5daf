#include "desktopfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRect>
#include <QThread>

#include <cstdio>

DesktopFixture::DesktopFixture() = default;

DesktopFixture::~DesktopFixture()
{
    endCase(QString(), false);
    stopSession();
}

bool DesktopFixture::fail(const QString& why)
{
    m_error = why;
    return false;
}

bool DesktopFixture::startSession()
{
    QString why;
    if (!m_session.start(&why))
        return fail(QStringLiteral("the virtual desktop did not start: ") + why);
    return true;
}

void DesktopFixture::stopSession()
{
    m_session.stop();
}

bool DesktopFixture::startApp(const Settings& settings, bool answerWelcome)
{
    // The program captures what is on the clipboard when it starts; a case
    // starts from nothing.
    m_session.stopHelpers();
    m_owners.clear();
    m_app = std::make_unique<StashboxApp>(m_session);
    m_app->setInstalledProgram(m_installedProgram);
    for (const auto& [key, value] : settings)
        m_app->setSetting(key, value);
    m_app->setExpectWindow(answerWelcome);
    QString why;
    if (!m_app->start(&why))
        return fail(why);
    ProbeState s;
    if (!m_app->waitFor([](const ProbeState& st) { return st.count == 0; }, 5000, &s))
        return fail(QStringLiteral("a fresh program does not start with an empty list:\n") + s.describe());
    return true;
}

void DesktopFixture::endCase(const QString& caseName, bool failed)
{
    if (failed && m_session.isRunning()) {
        const QString shot = QDir(QCoreApplication::applicationDirPath())
                                 .filePath(QCoreApplication::applicationName() + QLatin1Char('-') + caseName
                                           + QStringLiteral("-failure.png"));
        if (m_session.screenshot(shot))
            std::fprintf(stderr, "screenshot of the failure: %s\n", qPrintable(shot));
        if (m_app) {
            std::fprintf(stderr, "program: %s\n", qPrintable(m_app->exitDescription()));
            if (const auto s = m_app->state())
                std::fprintf(stderr, "last probe:\n%s\n", qPrintable(s->describe()));
            std::fprintf(stderr, "program output:\n%s\n", qPrintable(m_app->outputTail()));
        }
        for (const auto& owner : m_owners)
            std::fprintf(stderr, "clipboard owner requests: %s\n", qPrintable(owner->logText()));
    }
    if (m_app)
        m_app->stop();
    m_app.reset();
    m_owners.clear();
    m_session.stopHelpers();
}

ClipOwnerProcess& DesktopFixture::newOwner()
{
    // Owners that lost the clipboard have exited; their logs stay readable
    // until the case ends.
    m_owners.push_back(std::make_unique<ClipOwnerProcess>(m_session));
    return *m_owners.back();
}

bool DesktopFixture::start(ClipOwnerProcess& owner)
{
    QString why;
    if (!owner.start(&why))
        return fail(why);
    return true;
}

ClipOwnerProcess* DesktopFixture::copyText(const QString& text)
{
    ClipOwnerProcess& owner = newOwner();
    owner.offerText(text);
    return start(owner) ? &owner : nullptr;
}

bool DesktopFixture::waitForTopText(const QString& text, int timeoutMs, ProbeState* state)
{
    ProbeState s;
    const bool ok = m_app->waitFor(
        [&text](const ProbeState& st) { return st.top() && st.top()->text == text.left(4096); }, timeoutMs, &s);
    if (state)
        *state = s;
    if (!ok) {
        return fail(QStringLiteral("\"%1\" did not arrive on top within %2 ms (program %3); list:\n%4")
                        .arg(text.left(60))
                        .arg(timeoutMs)
                        .arg(m_app->exitDescription(), s.describe()));
    }
    return true;
}

bool DesktopFixture::sentinel(ProbeState* state, QString* text, int timeoutMs)
{
    const QString marker = QStringLiteral("sentinel %1 of pid %2").arg(++m_sentinels).arg(m_app->pid());
    if (text)
        *text = marker;
    if (!copyText(marker))
        return false;
    return waitForTopText(marker, timeoutMs, state);
}

bool DesktopFixture::reveal(const QString& control, ProbeState* state)
{
    const QRect screen(0, 0, 1280, 1024);
    // On screen, and the window is out (not still sliding).
    auto shown = [&control, &screen](const ProbeState& st) {
        const QRect r = st.controls.value(control);
        return st.extended && !r.isEmpty() && screen.contains(r);
    };
    const auto now = m_app->state();
    if (!now)
        return fail(QStringLiteral("no probe"));
    *state = *now;
    if (shown(*now))
        return true;
    const QRect handle = now->controls.value(QStringLiteral("ClipHandle")) & screen;
    if (handle.isEmpty())
        return fail(
            QStringLiteral("%1 is not on screen and there is no visible ClipHandle to slide the window out:\n%2")
                .arg(control, now->describe()));
    // Onto the handle from elsewhere, as a hand does: a pointer that is already there moves nothing.
    m_session.moveMouse(screen.center());
    m_session.moveMouse(handle.center());
    if (!m_app->waitFor(shown, 10000, state))
        return fail(QStringLiteral("the pointer over the handle did not bring %1 on screen:\n%2")
                        .arg(control, state->describe()));
    return true;
}

bool DesktopFixture::intact(const ProbeState& state)
{
    if (!m_app->isAlive())
        return fail(QStringLiteral("the program is gone: %1\n%2").arg(m_app->exitDescription(), m_app->outputTail()));
    QString why;
    if (!state.consistent(&why))
        return fail(QStringLiteral("damaged list: %1\n%2").arg(why, state.describe()));
    return true;
}
