// The program driven from the keyboard and from a shell: commands to the running copy through its
// socket (and what a stranger's request or socket gets), the desktop's key that summons the list,
// find by typing, and the keyboard handed back to the window that had it.

#include "desktopfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kArrive = 10000;

// What a program that is not ours sends to the socket, and the first line it gets back.
QByteArray exchange(const QString& socketPath, const QByteArray& request)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, QFile::encodeName(socketPath).constData(), sizeof(addr.sun_path));
    QByteArray reply;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0
        && ::write(fd, request.constData(), size_t(request.size())) == request.size()) {
        char buffer[256];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof(buffer))) > 0)
            reply.append(buffer, n);
    }
    ::close(fd);
    return reply.left(reply.indexOf('\n'));
}
} // namespace

class DesktopKeysTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error())); }
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase() { m_fx.stopSession(); }

    void commandsDriveAndListTheRunningCopy();
    void trayModeShowsAndHidesOnCommand();
    void strangeRequestsAndPlantedSocketsAreRefused();
    void theDesktopKeySummonsFindsAndGivesTheKeyboardBack();

private:
    bool copyAll(const QStringList& texts);
    QString activeWindow();
    bool key(const QString& keys);

    DesktopFixture m_fx;
};

bool DesktopKeysTest::copyAll(const QStringList& texts)
{
    for (const QString& text : texts)
        if (!m_fx.copyText(text) || !m_fx.waitForTopText(text, kArrive))
            return false;
    return true;
}

QString DesktopKeysTest::activeWindow()
{
    return QString::fromUtf8(m_fx.session().run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).output)
        .trimmed();
}

// Keys as the user presses them, into whatever window has the keyboard.
bool DesktopKeysTest::key(const QString& keys)
{
    const XSession::Result r =
        m_fx.session().run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys.split(' '));
    return r.finished && r.exitCode == 0;
}

void DesktopKeysTest::commandsDriveAndListTheRunningCopy()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    QVERIFY2(copyAll({QStringLiteral("first line\nsecond line"), QStringLiteral("git log"), QStringLiteral("third")}),
             qPrintable(m_fx.error()));
    StashboxApp& app = m_fx.app();
    ProbeState s;

    // --toggle twice: out with the keyboard, then back.
    QCOMPARE(app.command({QStringLiteral("--toggle")}).exitCode, 0);
    QVERIFY2(
        app.waitFor([](const ProbeState& st) { return st.extended && st.summoned && st.focus == "Grid"; }, kArrive, &s),
        qPrintable(s.describe()));
    QCOMPARE(app.command({QStringLiteral("--toggle")}).exitCode, 0);
    QVERIFY2(app.waitFor([](const ProbeState& st) { return !st.extended && !st.summoned; }, kArrive, &s),
             qPrintable(s.describe()));

    // --copy 2: row 2 on the clipboard, as a click would put it there.
    QCOMPARE(app.command({QStringLiteral("--copy"), QStringLiteral("2")}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(m_fx.session().readClipboard().output),
                              QStringLiteral("first line\nsecond line"), kArrive);
    QCOMPARE(app.command({QStringLiteral("--copy"), QStringLiteral("7")}).exitCode, 1);

    // --list --json: the running list, in full.
    const XSession::Result json = app.command({QStringLiteral("--list"), QStringLiteral("--json")});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject doc = QJsonDocument::fromJson(json.output).object();
    QCOMPARE(doc.value(QLatin1String("itemCount")).toInt(), 3);
    QStringList texts;
    for (const QJsonValue row : doc.value(QLatin1String("rows")).toArray())
        if (row.toObject().value(QLatin1String("kind")).toString() == QLatin1String("Text"))
            texts << row.toObject().value(QLatin1String("text")).toString();
    QVERIFY(app.waitFor([](const ProbeState& st) { return st.count == 3; }, kArrive, &s));
    QCOMPARE(texts, s.texts());

    // --list, one item a line; with no copy running, from the list it saved.
    const QByteArray lines = "0\tText\t\tthird\n1\tText\t\tgit log\n2\tText\t\tfirst line\n";
    QCOMPARE(app.command({QStringLiteral("--list")}).output, lines);
    app.stop();
    const XSession::Result saved = app.command({QStringLiteral("--list")});
    QCOMPARE(saved.exitCode, 0);
    QCOMPARE(saved.output, lines);
    QCOMPARE(app.command({QStringLiteral("--hide")}).exitCode, 1);
}

void DesktopKeysTest::trayModeShowsAndHidesOnCommand()
{
    QVERIFY2(m_fx.startApp({{QStringLiteral("ScreenSide"), QStringLiteral("False")}}, false), qPrintable(m_fx.error()));
    QStringList boxes;
    QTRY_VERIFY_WITH_TIMEOUT(!(boxes = m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$"))).isEmpty(), kArrive);
    QVERIFY(m_fx.session().pressKey(boxes.first(), QStringLiteral("Return")));
    StashboxApp& app = m_fx.app();
    ProbeState s;
    QVERIFY(
        app.waitFor([](const ProbeState& st) { return !st.controls.contains(QStringLiteral("frmTrove")); }, kArrive));

    QCOMPARE(app.command({QStringLiteral("--toggle")}).exitCode, 0);
    QVERIFY2(
        app.waitFor([](const ProbeState& st) { return st.extended && st.controls.contains("frmTrove") && st.active; },
                    kArrive, &s),
        qPrintable(s.describe()));
    QCOMPARE(app.command({QStringLiteral("--toggle")}).exitCode, 0);
    QVERIFY2(app.waitFor([](const ProbeState& st) { return !st.extended && !st.controls.contains("frmTrove"); },
                         kArrive, &s),
             qPrintable(s.describe()));
}

void DesktopKeysTest::strangeRequestsAndPlantedSocketsAreRefused()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    StashboxApp& app = m_fx.app();
    QVERIFY2(copyAll({QStringLiteral("kept")}), qPrintable(m_fx.error()));

    // Whatever is not our request is answered with an error and does nothing.
    const QString socket = app.socketPath();
    struct stat st = {};
    QVERIFY(::stat(QFile::encodeName(socket).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    for (const QByteArray& request :
         {QByteArray("GET / HTTP/1.0\n"), QByteArray("STASHBOX1 toggle\nSTASHBOX1 toggle\n"),
          QByteArray("STASHBOX1 copy 0") + QByteArray(100, ' ') + '\n', QByteArray("STASHBOX1 clear\n")})
        QVERIFY2(exchange(socket, request).startsWith("ERROR "), request.constData());
    ProbeState s;
    QVERIFY(app.waitFor([](const ProbeState& st) { return st.count == 1; }, kArrive, &s));
    QVERIFY(!s.extended);
    QCOMPARE(exchange(socket, "STASHBOX1 copy 0\n"), QByteArray("OK"));

    // A socket of someone else's in its place (a link where the system does not let us plant
    // another user's file): the program does not take it over and a command does not talk to it.
    app.stop();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    const QString planted = ::geteuid() == 0 ? socket : m_fx.session().tempPath() + QStringLiteral("/planted.socket");
    qstrncpy(addr.sun_path, QFile::encodeName(planted).constData(), sizeof(addr.sun_path));
    QVERIFY(::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0 && ::listen(fd, 1) == 0);
    if (::geteuid() == 0)
        QVERIFY(::chown(addr.sun_path, 65534, 65534) == 0);
    else
        QVERIFY(QFile::link(planted, socket));
    QString why;
    QVERIFY2(app.restart(&why), qPrintable(why));
    const XSession::Result r = app.command({QStringLiteral("--toggle")}, 20000);
    ::close(fd);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(QFileInfo(socket).exists() || QFileInfo(socket).isSymLink());
    QVERIFY(app.isAlive());
    QVERIFY(app.waitFor([](const ProbeState& st) { return !st.extended; }, kArrive));
    QVERIFY(app.outputTail().contains(QLatin1String("commands from a shell cannot reach it")));
}

void DesktopKeysTest::theDesktopKeySummonsFindsAndGivesTheKeyboardBack()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    StashboxApp& app = m_fx.app();
    QVERIFY2(copyAll({QStringLiteral("git status"), QStringLiteral("make test"), QStringLiteral("Git diff HEAD")}),
             qPrintable(m_fx.error()));

    // A copy with folders of its own finds the key taken: it says so once and runs on without it.
    StashboxApp second(m_fx.session());
    QString why;
    QVERIFY2(second.start(&why), qPrintable(why));
    QTRY_COMPARE_WITH_TIMEOUT(second.outputTail().count(QLatin1String("is taken by another program")), 1, kArrive);
    QVERIFY(second.isAlive());
    second.stop();

    // Another program has the keyboard.
    QVERIFY(m_fx.session().startHelper(QStringLiteral("xmessage"),
                                       {QStringLiteral("-title"), QStringLiteral("other"), QStringLiteral("other")}));
    const XSession::Result found = m_fx.session().run(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), QStringLiteral("^other$")});
    const QString other = QString::fromUtf8(found.output).section(QLatin1Char('\n'), 0, 0).trimmed();
    QVERIFY(!other.isEmpty());
    m_fx.session().run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), other});
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), other, kArrive);

    // Ctrl+Alt+V: out, with the keyboard on the newest item.
    ProbeState s;
    QVERIFY(key(QStringLiteral("ctrl+alt+v")));
    QVERIFY2(
        app.waitFor(
            [](const ProbeState& st) { return st.extended && st.active && st.focus == "Grid" && st.currentRow == 0; },
            kArrive, &s),
        qPrintable(s.describe()));

    // Typing "git" leaves the rows that hold it, in any case, under their own numbers.
    QVERIFY(key(QStringLiteral("g i t")));
    QVERIFY2(app.waitFor([](const ProbeState& st) { return st.query == "git"; }, kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.captions.value(QStringLiteral("lblItemCount")), QStringLiteral("\"git\": 2"));
    QCOMPARE(s.rows.size(), size_t(3));
    QVERIFY(!s.rows[0].screen.isEmpty());
    QVERIFY(s.rows[1].screen.isEmpty());
    QVERIFY(!s.rows[2].screen.isEmpty());
    QCOMPARE(s.rows[2].screen.top(), s.rows[0].screen.bottom() + 1);

    // Down goes to the next match; Enter puts it on the clipboard and the list goes back,
    // handing the keyboard back.
    QVERIFY(key(QStringLiteral("Down Return")));
    QVERIFY2(app.waitFor([](const ProbeState& st) { return !st.extended && st.query.isEmpty(); }, kArrive, &s),
             qPrintable(s.describe()));
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(m_fx.session().readClipboard().output), QStringLiteral("git status"),
                              kArrive);
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), other, kArrive);

    // Summoned again, Escape clears a query first, then sends the list back.
    QVERIFY(key(QStringLiteral("ctrl+alt+v")));
    QVERIFY(app.waitFor([](const ProbeState& st) { return st.extended && st.focus == "Grid"; }, kArrive));
    QVERIFY(key(QStringLiteral("m Escape")));
    QVERIFY2(app.waitFor([](const ProbeState& st) { return st.extended && st.query.isEmpty(); }, kArrive, &s),
             qPrintable(s.describe()));
    QVERIFY(key(QStringLiteral("Escape")));
    QVERIFY(app.waitFor([](const ProbeState& st) { return !st.extended; }, kArrive));
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), other, kArrive);
}

QTEST_GUILESS_MAIN(DesktopKeysTest)
#include "tst_desktop_keys.moc"
