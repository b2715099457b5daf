// A person's session with Stashbox beyond capturing: picking items back for pasting, a second
// start, the start-with-the-system entry, closing and starting again with the list kept, and
// passwords that are never kept.

#include "desktopfixture.h"
#include "rigpaths.h"
#include "sampleimages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <csignal>

namespace {

constexpr int kArrive = 10000;

const ProbeRow* findText(const ProbeState& s, const QString& text)
{
    for (const ProbeRow& r : s.rows)
        if (r.text == text)
            return &r;
    return nullptr;
}

} // namespace

class DesktopSessionTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void pickingPutsItemsBack();
    void itemMenuOnTheRow();
    void secondStartIsRefused();
    void missingControlsEndTheStart();
    void startWithSystemEntry();
    void listSurvivesExitAndSignal();
    void secretsAreNeverRead();
    void exitIsBoundedWithAStuckClipboardManager();

private:
    bool click(const ProbeState& s, const QString& control);
    bool answerBoxes(const QString& key, qint64 pid = 0);
    bool waitForExit(int timeoutMs);
    bool copyFiveItems(ProbeState* s, QList<QImage>* pictures);

    DesktopFixture m_fx;
    QTemporaryDir m_files;
};

void DesktopSessionTest::initTestCase()
{
    QVERIFY(m_files.isValid());
    QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error()));
}

void DesktopSessionTest::cleanup()
{
    m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed());
}

void DesktopSessionTest::cleanupTestCase()
{
    m_fx.stopSession();
}

bool DesktopSessionTest::click(const ProbeState& s, const QString& control)
{
    const QRect r = s.controls.value(control);
    if (r.isEmpty())
        return m_fx.fail(QStringLiteral("%1 is not on screen:\n%2").arg(control, s.describe()));
    return m_fx.session().click(r.center());
}

// Message boxes of the program carry its title; the key goes to each of them (of the program with
// `pid`, when given).
bool DesktopSessionTest::answerBoxes(const QString& key, qint64 pid)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        QStringList boxes = m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$"));
        if (pid) {
            boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                                       [&](const QString& id) {
                                           const XSession::Result owner = m_fx.session().run(
                                               QStringLiteral("xdotool"), {QStringLiteral("getwindowpid"), id});
                                           return owner.output.trimmed().toLongLong() != pid;
                                       }),
                        boxes.end());
        }
        if (!boxes.isEmpty()) {
            for (const QString& id : boxes)
                m_fx.session().pressKey(id, key);
            return true;
        }
        QThread::msleep(100);
    }
    return m_fx.fail(QStringLiteral("no message box appeared"));
}

bool DesktopSessionTest::waitForExit(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (!m_fx.app().isAlive())
            return true;
        QThread::msleep(50);
    }
    return m_fx.fail(QStringLiteral("the program did not end within %1 ms").arg(timeoutMs));
}

void DesktopSessionTest::pickingPutsItemsBack()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    for (const QString t : {"A text", "B text", "C text"}) {
        QVERIFY2(m_fx.copyText(t), qPrintable(m_fx.error()));
        QVERIFY2(m_fx.waitForTopText(t, kArrive, &s), qPrintable(m_fx.error()));
    }
    // Click B: another program pastes B, and the list still holds exactly three items.
    QVERIFY(!s.rows[1].screen.isEmpty());
    QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.rows[1].screen.center()));
    QVERIFY2(
        m_fx.app().waitFor([](const ProbeState& st) { return st.rows.size() > 1 && st.rows[1].heightTwips == 1020; },
                           kArrive, &s),
        qPrintable(s.describe()));
    XSession::Result pasted = m_fx.session().readClipboard();
    QVERIFY(pasted.finished);
    QCOMPARE(pasted.output, QByteArray("B text"));
    QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 4); // three and the sentinel: B was not taken again
    QCOMPARE(s.texts().mid(1), QStringList({"C text", "B text", "A text"}));

    // A rich text goes back as rich text and as plain text.
    const QByteArray rtf = "{\\rtf1\\ansi {\\b rich} words\\par}";
    ClipOwnerProcess& rich = m_fx.newOwner();
    rich.offer(QStringLiteral("text/rtf"), rtf).offerText(QStringLiteral("rich words"));
    QVERIFY2(m_fx.start(rich), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("rich words"), kArrive, &s), qPrintable(m_fx.error()));
    // Another program takes the clipboard, then the user picks the rich item.
    QVERIFY2(m_fx.copyText(QStringLiteral("something else")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("something else"), kArrive, &s), qPrintable(m_fx.error()));
    // Quicker than a double click after the last one: it must count all the same.
    QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.rows[1].screen.center()));
    QTRY_VERIFY_WITH_TIMEOUT(m_fx.session().clipboardTargets().contains(QStringLiteral("text/rtf")), kArrive);
    const QStringList targets = m_fx.session().clipboardTargets();
    QVERIFY2(targets.contains(QStringLiteral("UTF8_STRING")), qPrintable(targets.join(' ')));
    QCOMPARE(m_fx.session().readClipboard(QStringLiteral("text/rtf")).output, rtf);
    QCOMPARE(m_fx.session().readClipboard().output, QByteArray("rich words"));

    // A picture goes back as the same pixels.
    const QImage picture = SampleImages::pattern(QSize(96, 64), 9);
    const QString png = m_files.filePath(QStringLiteral("pick.png"));
    QFile f(png);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(SampleImages::encode(picture));
    f.close();
    QString why;
    QVERIFY2(m_fx.session().copyFile(png, QStringLiteral("image/png"), &why), qPrintable(why));
    QVERIFY2(
        m_fx.app().waitFor([](const ProbeState& st) { return st.top() && st.top()->kind == QLatin1String("Bitmap"); },
                           kArrive, &s),
        qPrintable(s.describe()));
    QVERIFY2(m_fx.copyText(QStringLiteral("after the picture")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("after the picture"), kArrive, &s), qPrintable(m_fx.error()));
    const int before = s.count;
    QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.rows[1].screen.center()));
    QTRY_VERIFY_WITH_TIMEOUT(m_fx.session().clipboardTargets().contains(QStringLiteral("image/png")), kArrive);
    QImage back;
    QVERIFY(back.loadFromData(m_fx.session().readClipboard(QStringLiteral("image/png")).output));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
    QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, before + 1);
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
}

void DesktopSessionTest::itemMenuOnTheRow()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    for (const QString t : {"keep me", "delete me", "top one"}) {
        QVERIFY2(m_fx.copyText(t), qPrintable(m_fx.error()));
        QVERIFY2(m_fx.waitForTopText(t, kArrive, &s), qPrintable(m_fx.error()));
    }
    // Pick "delete me", then its row's arrow button at the right end of the row.
    QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.rows[1].screen.center()));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.rows[1].heightTwips == 1020; }, kArrive, &s),
             qPrintable(s.describe()));
    QThread::msleep(500); // a person's pause: not a double click
    const QRect row = s.rows[1].screen;
    QVERIFY(m_fx.session().click(QPoint(row.right() - 8, row.top() + 7)));
    // The menu has the keyboard: the fourth entry is "Delete Item".
    QElapsedTimer clock;
    clock.start();
    // The program's visible windows: the main window, and the menu once it is up.
    qsizetype windows = 0;
    while (windows < 2 && clock.elapsed() < kArrive) {
        const XSession::Result found = m_fx.session().run(QStringLiteral("xdotool"),
                                                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                           QStringLiteral("--pid"), QString::number(m_fx.app().pid())});
        windows = QString::fromLatin1(found.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
        QThread::msleep(100);
    }
    QVERIFY2(windows >= 2, "no menu came up");
    for (const char* key : {"Down", "Down", "Down", "Down", "Return"})
        m_fx.session().run(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(key)});
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 2; }, kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.texts(), QStringList({"top one", "keep me"}));
    QCOMPARE(s.countLabel, QStringLiteral("2  ITEMS"));
}

void DesktopSessionTest::secondStartIsRefused()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.copyText(QStringLiteral("kept by the first")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("kept by the first"), kArrive, &s), qPrintable(m_fx.error()));
    const QByteArray settingsBefore = [&] {
        QFile f(m_fx.app().settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    QString why;
    std::unique_ptr<ManagedProcess> second = m_fx.app().launchAnother(&why);
    QVERIFY2(second, qPrintable(why));
    // It says so above every window, the first copy's always-on-top window included.
    QStringList boxes;
    QTRY_VERIFY_WITH_TIMEOUT(!(boxes = m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$"))).isEmpty(), kArrive);
    const QByteArray stacking =
        m_fx.session()
            .run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")})
            .output;
    QList<qulonglong> bottomToTop;
    for (const QByteArray& id : stacking.mid(stacking.indexOf('#') + 1).split(','))
        bottomToTop.append(id.trimmed().toULongLong(nullptr, 16));
    const QStringList windows = m_fx.session().visibleWindows(QStringLiteral("^Stashbox$"));
    QCOMPARE(windows.size(), 2);
    const qsizetype boxAt = bottomToTop.indexOf(boxes.first().toULongLong());
    for (const QString& id : windows) {
        const qsizetype at = bottomToTop.indexOf(id.toULongLong());
        QVERIFY2(at >= 0 && at <= boxAt, stacking.constData());
    }
    // It ends when the message is closed; the first one is untouched.
    QVERIFY2(answerBoxes(QStringLiteral("Return"), second->pid()), qPrintable(m_fx.error()));
    QVERIFY2(second->waitForFinished(10000), "the second copy did not end");
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(m_fx.app().isAlive());
    QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 2);
    QVERIFY(findText(s, QStringLiteral("kept by the first")));
    QFile f(m_fx.app().settingsPath());
    QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), settingsBefore);
    // The second copy wrote no autosave.
    QVERIFY(!QFileInfo::exists(m_fx.app().folder() + QStringLiteral("/{E098A55430BFFEE0816A628E}{")
                               + RigPaths::loginName() + QStringLiteral("}/temp.sbt")));
}

void DesktopSessionTest::missingControlsEndTheStart()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.copyText(QStringLiteral("kept from the last session")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("kept from the last session"), kArrive, &s), qPrintable(m_fx.error()));
    m_fx.app().stop();
    const auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString autosave = m_fx.app().folder() + QStringLiteral("/{E098A55430BFFEE0816A628E}{")
        + RigPaths::loginName() + QStringLiteral("}/temp.sbt");
    const QByteArray saved = read(autosave);
    QVERIFY(!saved.isEmpty());

    // The check box library is gone: the next start says so and ends, the last list left as it was.
    QVERIFY(QFile::remove(m_fx.app().folder() + QStringLiteral("/FlatTick.so")));
    QString why;
    std::unique_ptr<ManagedProcess> next = m_fx.app().launchAnother(&why);
    QVERIFY2(next, qPrintable(why));
    QVERIFY2(answerBoxes(QStringLiteral("Return"), next->pid()), qPrintable(m_fx.error()));
    QVERIFY2(next->waitForFinished(10000), "the program did not end");
    QCOMPARE(next->exitCode(), 1);
    QCOMPARE(read(autosave), saved);
}

void DesktopSessionTest::startWithSystemEntry()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    const QString entry = m_fx.app().configPath() + QStringLiteral("/autostart/Stashbox.desktop");
    // Without settings the option is ticked, and every start applies it.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(entry), kArrive);
    QFile f(entry);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("Exec=") && text.contains("stashbox"), text.constData());
    f.close();

    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Command5"), &s), qPrintable(m_fx.error()));
    QVERIFY(click(s, QStringLiteral("Command5")));
    QVERIFY2(
        m_fx.app().waitFor([](const ProbeState& st) { return st.controls.contains(QStringLiteral("StartWithWin")); },
                           kArrive, &s),
        qPrintable(s.describe()));
    QVERIFY(click(s, QStringLiteral("StartWithWin")));
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(entry), kArrive);
    QVERIFY(click(s, QStringLiteral("StartWithWin")));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(entry), kArrive);
    QVERIFY(click(s, QStringLiteral("StartWithWin")));
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(entry), kArrive);
    QVERIFY(click(s, QStringLiteral("cmdSave")));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return !st.controls.contains(QStringLiteral("Options")); },
                                kArrive, &s),
             qPrintable(s.describe()));
    // Saved cleared: the next start leaves it away.
    m_fx.app().stop();
    QString why;
    QVERIFY2(m_fx.app().restart(&why), qPrintable(why));
    QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
    QVERIFY(!QFile::exists(entry));
}

bool DesktopSessionTest::copyFiveItems(ProbeState* s, QList<QImage>* pictures)
{
    *pictures = {SampleImages::pattern(QSize(120, 80), 21), SampleImages::pattern(QSize(64, 64), 22)};
    int n = 0;
    for (const QString t : {"first words", "second words"}) {
        if (!m_fx.copyText(t) || !m_fx.waitForTopText(t, kArrive, s))
            return false;
        ++n;
    }
    for (const QImage& img : *pictures) {
        const QString path = m_files.filePath(QStringLiteral("p%1.png").arg(n++));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(SampleImages::encode(img)) < 0)
            return m_fx.fail(QStringLiteral("cannot write %1").arg(path));
        f.close();
        QString why;
        const int want = n;
        if (!m_fx.session().copyFile(path, QStringLiteral("image/png"), &why))
            return m_fx.fail(why);
        if (!m_fx.app().waitFor([want](const ProbeState& st) { return st.count == want; }, kArrive, s))
            return m_fx.fail(s->describe());
    }
    ClipOwnerProcess& rich = m_fx.newOwner();
    rich.offer(QStringLiteral("text/rtf"), "{\\rtf1 {\\i fifth}\\par}").offerText(QStringLiteral("fifth\r\nline"));
    return m_fx.start(rich) && m_fx.waitForTopText(QStringLiteral("fifth\r\nline"), kArrive, s);
}

void DesktopSessionTest::listSurvivesExitAndSignal()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState before;
    QList<QImage> pictures;
    QVERIFY2(copyFiveItems(&before, &pictures), qPrintable(m_fx.error()));
    QCOMPARE(before.count, 5);
    const QString autosave = m_fx.app().folder() + QStringLiteral("/{E098A55430BFFEE0816A628E}{")
        + RigPaths::loginName() + QStringLiteral("}/temp.sbt");

    // Exit as a user does: the button, Yes to closing, No to saving a data file.
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("cmdExit"), &s), qPrintable(m_fx.error()));
    QVERIFY(click(s, QStringLiteral("cmdExit")));
    QVERIFY2(answerBoxes(QStringLiteral("Return")), qPrintable(m_fx.error()));
    QThread::msleep(300);
    QVERIFY2(answerBoxes(QStringLiteral("Escape")), qPrintable(m_fx.error()));
    QVERIFY2(waitForExit(15000), qPrintable(m_fx.error()));
    QVERIFY(QFile::exists(autosave));

    for (const QString how : {"after Exit", "after SIGTERM"}) {
        QString why;
        QVERIFY2(m_fx.app().restart(&why), qPrintable(why));
        ProbeState after;
        // Restored during start-up; clickable once the window is up.
        QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 5 && !st.rows[0].screen.isEmpty(); },
                                    kArrive, &after),
                 qPrintable(QString(how) + QLatin1Char('\n') + after.describe()));
        QCOMPARE(after.texts(), before.texts());
        for (size_t i = 0; i < after.rows.size(); ++i) {
            QCOMPARE(after.rows[i].kind, before.rows[i].kind);
            QCOMPARE(after.rows[i].data, before.rows[i].data);
            QCOMPARE(after.rows[i].pictureWidth, before.rows[i].pictureWidth);
            QCOMPARE(after.rows[i].heightTwips, 235);
        }
        // What was restored is gone from the disk.
        QVERIFY(!QFile::exists(autosave));
        QVERIFY(QDir(autosave + QStringLiteral("_Data")).entryList(QDir::Files).isEmpty());
        // The pictures go back on the clipboard intact.
        for (size_t i = 0; i < after.rows.size(); ++i) {
            if (after.rows[i].kind != QLatin1String("Bitmap"))
                continue;
            // Rows move when the one picked before grows: look again before each click.
            ProbeState now;
            QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &now), qPrintable(m_fx.error()));
            QVERIFY(m_fx.session().click(now.rows[i].screen.center()));
            const QImage want = after.rows[i].pictureWidth == 120 ? pictures[0] : pictures[1];
            QImage back;
            QTRY_VERIFY_WITH_TIMEOUT(back.loadFromData(m_fx.session().readClipboard(QStringLiteral("image/png")).output)
                                         && back.size() == want.size(),
                                     kArrive);
            QCOMPARE(back.convertToFormat(QImage::Format_RGB32), want.convertToFormat(QImage::Format_RGB32));
        }
        // The next close is a signal from outside: the list must survive that too.
        m_fx.app().stop();
        QVERIFY(QFile::exists(autosave));
    }
}

void DesktopSessionTest::secretsAreNeverRead()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ClipOwnerProcess& secret = m_fx.newOwner();
    secret.offer(QStringLiteral("x-kde-passwordManagerHint"), "secret").offerText(QStringLiteral("hunter2"));
    QVERIFY2(m_fx.start(secret), qPrintable(m_fx.error()));
    QVERIFY2(secret.waitForRequest(QStringLiteral("x-kde-passwordManagerHint"), kArrive), qPrintable(secret.logText()));
    ProbeState s;
    QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 1);
    QVERIFY(!findText(s, QStringLiteral("hunter2")));
    // The password itself was never asked for.
    for (const ClipOwnerProcess::Request& r : secret.requests())
        QVERIFY2(r.target == QLatin1String("TARGETS") || r.target == QLatin1String("TIMESTAMP")
                     || r.target == QLatin1String("x-kde-passwordManagerHint"),
                 qPrintable(secret.logText()));

    ClipOwnerProcess& open = m_fx.newOwner();
    open.offer(QStringLiteral("x-kde-passwordManagerHint"), "public").offerText(QStringLiteral("hunter2"));
    QVERIFY2(m_fx.start(open), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("hunter2"), kArrive, &s), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.copyText(QStringLiteral("no hint at all")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("no hint at all"), kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 3);
}

void DesktopSessionTest::exitIsBoundedWithAStuckClipboardManager()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.copyText(QStringLiteral("owned at exit")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("owned at exit"), kArrive, &s), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.reveal(QStringLiteral("Grid"), &s), qPrintable(m_fx.error()));
    QVERIFY(m_fx.session().click(s.rows[0].screen.center()));
    QTRY_VERIFY_WITH_TIMEOUT(m_fx.session().clipboardTargets().contains(QStringLiteral("SAVE_TARGETS")), kArrive);
    // A clipboard manager that takes the handover request and never answers it.
    QString why;
    ManagedProcess* manager = m_fx.session().startHelper(RigPaths::clipOwner(),
                                                         {QStringLiteral("-s"), QStringLiteral("CLIPBOARD_MANAGER"),
                                                          QStringLiteral("-t"), QStringLiteral("SAVE_TARGETS=x"),
                                                          QStringLiteral("-n"), QStringLiteral("SAVE_TARGETS")},
                                                         &why, true);
    QVERIFY2(manager, qPrintable(why));
    QVERIFY(manager->waitForLine("ready", 10000));
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(m_fx.app().pid()), SIGTERM);
    QVERIFY2(waitForExit(12000), qPrintable(m_fx.error()));
    qInfo("exit took %lld ms with a clipboard manager that never answers", clock.elapsed());
}

QTEST_GUILESS_MAIN(DesktopSessionTest)
#include "tst_desktop_session.moc"
