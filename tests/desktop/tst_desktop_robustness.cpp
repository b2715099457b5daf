// Clipboard content and clipboard owners that a careless or hostile program
// can produce: each has a defined outcome, and none may crash the program,
// hang it, or cost the user items already in the list.

#include "desktopfixture.h"
#include "rigpaths.h"
#include "sampleimages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kArrive = 10000;
// Qt gives up on a silent owner after its own transfer timeout (5 s); a
// blocked capture must be over well within this.
constexpr int kAfterSilentOwner = 15000;

// A figure of /proc/<pid>/status ("VmRSS", "VmHWM"), in KiB; -1 when it cannot be read.
qint64 statusKiB(qint64 pid, const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QString bigText(qsizetype size)
{
    QString text;
    text.reserve(size);
    for (int line = 0; text.size() < size; ++line)
        text += QStringLiteral("line %1 of a very long copied text, with some words to fill it\n")
                    .arg(line, 8, 10, QLatin1Char('0'));
    text.truncate(size);
    return text;
}

} // namespace

class DesktopRobustnessTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void offersWithoutAnItem_data();
    void offersWithoutAnItem();
    void tenMegabyteText();
    void hugePicture_data();
    void hugePicture();
    void announcedButRefused();
    void ownerThatNeverAnswers();
    void slowOwnerIsWaitedFor();
    void eachTypeRequestedOncePerCopy();
    void offerLargerThanTheCapInOnePiece();

private:
    // Two items every case must keep, whatever it throws at the program.
    bool seed();
    bool seedStillThere(const ProbeState& s);

    DesktopFixture m_fx;
    QStringList m_seeds;
};

void DesktopRobustnessTest::initTestCase()
{
    QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error()));
}

void DesktopRobustnessTest::init()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    QVERIFY2(seed(), qPrintable(m_fx.error()));
}

void DesktopRobustnessTest::cleanup()
{
    m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed());
}

void DesktopRobustnessTest::cleanupTestCase()
{
    m_fx.stopSession();
}

bool DesktopRobustnessTest::seed()
{
    m_seeds = {QStringLiteral("second seed"), QStringLiteral("first seed")};
    for (auto it = m_seeds.crbegin(); it != m_seeds.crend(); ++it) {
        if (!m_fx.copyText(*it) || !m_fx.waitForTopText(*it, kArrive))
            return false;
    }
    return true;
}

bool DesktopRobustnessTest::seedStillThere(const ProbeState& s)
{
    if (!m_fx.intact(s))
        return false;
    const QStringList texts = s.texts();
    if (texts.size() < 2 || texts.mid(texts.size() - 2) != m_seeds)
        return m_fx.fail(QStringLiteral("earlier items lost:\n") + s.describe());
    return true;
}

void DesktopRobustnessTest::offersWithoutAnItem_data()
{
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("lastRequest");

    // Nothing the program knows: it looks at the list of types and stops.
    QTest::newRow("unknown type only") << QStringList{QStringLiteral("application/x-foo")} << QByteArray("bar")
                                       << QStringLiteral("TARGETS");
    // An empty text equals the text of an empty row, so it is a duplicate
    // while the list has room.
    QTest::newRow("empty text") << QStringList{QStringLiteral("UTF8_STRING"),
                                               QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain")}
                                << QByteArray("") << QString();
    // A picture that does not decode is no picture.
    QByteArray garbage(4096, '\0');
    QRandomGenerator random(42);
    for (char& c : garbage)
        c = char(random.bounded(256));
    QTest::newRow("undecodable png") << QStringList{QStringLiteral("image/png")} << garbage
                                     << QStringLiteral("image/png");
    // The PNG signature followed by a broken header is the worse case for a decoder.
    QTest::newRow("truncated png") << QStringList{QStringLiteral("image/png")}
                                   << SampleImages::encode(SampleImages::pattern(QSize(200, 200), 8)).left(60)
                                   << QStringLiteral("image/png");
    QTest::newRow("bmp with a lying header") << QStringList{QStringLiteral("image/bmp")}
                                             << QByteArray::fromHex("424d"
                                                                    "ffffff7f"
                                                                    "00000000"
                                                                    "36000000"
                                                                    "28000000"
                                                                    "ffffff7f"
                                                                    "ffffff7f"
                                                                    "0100"
                                                                    "2000"
                                                                    "00000000"
                                                                    "00000000"
                                                                    "00000000"
                                                                    "00000000"
                                                                    "00000000"
                                                                    "00000000")
                                             << QStringLiteral("image/bmp");
}

void DesktopRobustnessTest::offersWithoutAnItem()
{
    QFETCH(QStringList, targets);
    QFETCH(QByteArray, data);
    QFETCH(QString, lastRequest);

    ClipOwnerProcess& owner = m_fx.newOwner();
    for (const QString& t : targets)
        owner.offer(t, data);
    QVERIFY2(m_fx.start(owner), qPrintable(m_fx.error()));
    if (lastRequest.isEmpty())
        QVERIFY2(owner.waitForDataRequest(kArrive), qPrintable(owner.logText()));
    else
        QVERIFY2(owner.waitForRequest(lastRequest, kArrive), qPrintable(owner.logText()));

    ProbeState s;
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker), qPrintable(m_fx.error()));
    QCOMPARE(s.texts(), QStringList({marker}) + m_seeds);
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    QVERIFY2(owner.repeatedTargets().isEmpty(), qPrintable(owner.logText()));
}

void DesktopRobustnessTest::tenMegabyteText()
{
    const qsizetype size = 10 * 1024 * 1024;
    const QString text = bigText(size);
    ClipOwnerProcess& owner = m_fx.newOwner();
    owner.offerText(text); // far above one X request: goes by INCR
    QVERIFY2(m_fx.start(owner), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 3; }, 30000, &s),
             qPrintable(QStringLiteral("%1\n%2\n%3").arg(s.describe(), owner.logText(), m_fx.app().exitDescription())));
    QCOMPARE(s.rows[0].kind, QStringLiteral("Text"));
    QCOMPARE(s.rows[0].textLength, size);
    QCOMPARE(s.rows[0].labelLength, size);
    QCOMPARE(s.rows[0].text, text.left(4096));
    QVERIFY2(owner.requests().size() > 0 && owner.logText().contains(QStringLiteral(" incr")),
             qPrintable(owner.logText()));

    // The same 10 MB again is a duplicate; a text differing only in its last
    // character is not.
    ClipOwnerProcess& again = m_fx.newOwner();
    again.offerText(text);
    QVERIFY2(m_fx.start(again), qPrintable(m_fx.error()));
    QVERIFY2(again.waitForDataRequest(kArrive), qPrintable(again.logText()));
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker, 30000), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 4);

    QString changed = text;
    changed[size - 1] = QLatin1Char('!');
    ClipOwnerProcess& other = m_fx.newOwner();
    other.offerText(changed);
    QVERIFY2(m_fx.start(other), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 5; }, 30000, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.rows[0].textLength, size);
    QCOMPARE(s.rows[2].textLength, size);
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
}

void DesktopRobustnessTest::hugePicture_data()
{
    QTest::addColumn<int>("format");
    // 400 MB once decoded: beyond what a clipboard history should hold.
    QTest::newRow("10000x10000 true colour") << int(QImage::Format_RGB32);
    // 100 MB decoded as a palette picture, 400 MB once converted for display.
    QTest::newRow("10000x10000 palette") << int(QImage::Format_Indexed8);
}

void DesktopRobustnessTest::hugePicture()
{
    QFETCH(int, format);
    QByteArray png;
    {
        QImage image(10000, 10000, QImage::Format(format));
        if (image.format() == QImage::Format_Indexed8) {
            image.setColorTable({qRgb(20, 40, 200), qRgb(250, 250, 250)});
            image.fill(1);
            for (int y = 4000; y < 6000; ++y)
                std::memset(image.scanLine(y) + 3000, 0, 4000);
        } else {
            image.fill(QColor(250, 250, 250));
            QPainter painter(&image);
            painter.fillRect(3000, 4000, 4000, 2000, QColor(20, 40, 200));
        }
        png = SampleImages::encode(image);
    }
    QVERIFY(!png.isEmpty());
    ClipOwnerProcess& owner = m_fx.newOwner();
    owner.offer(QStringLiteral("image/png"), png);
    QVERIFY2(m_fx.start(owner), qPrintable(m_fx.error()));
    QVERIFY2(owner.waitForRequest(QStringLiteral("image/png"), kArrive), qPrintable(owner.logText()));

    // Decoding may take a while; then the program must be there and answer.
    ProbeState s;
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker, 60000), qPrintable(m_fx.error()));
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    // Refused or taken, but if taken then whole.
    QVERIFY(s.count == 3 || s.count == 4);
    if (s.count == 4) {
        QCOMPARE(s.rows[1].kind, QStringLiteral("Bitmap"));
        QCOMPARE(s.rows[1].pictureWidth, 10000);
        QCOMPARE(s.rows[1].pictureHeight, 10000);
    }
    qInfo("10000x10000 picture (%s PNG, %lld bytes): %s", format == QImage::Format_RGB32 ? "RGB" : "palette",
          qint64(png.size()), s.count == 4 ? "taken" : "refused");
}

void DesktopRobustnessTest::announcedButRefused()
{
    // Rich text that is listed but cannot be had must not become an empty
    // RTF item; the plain text beside it may stand in for it.
    const QString words = QStringLiteral("words beside a refused rich text");
    ClipOwnerProcess& rich = m_fx.newOwner();
    rich.offer(QStringLiteral("text/rtf"), "{\\rtf1 refused}").refuse(QStringLiteral("text/rtf")).offerText(words);
    QVERIFY2(m_fx.start(rich), qPrintable(m_fx.error()));
    QVERIFY2(rich.waitForRequest(QStringLiteral("text/rtf"), kArrive), qPrintable(rich.logText()));
    ProbeState s;
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker), qPrintable(m_fx.error()));
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    for (const ProbeRow& r : s.rows)
        QVERIFY2(r.kind != QLatin1String("RTF"), qPrintable(s.describe()));
    QStringList expected = QStringList{marker} + m_seeds;
    if (s.count == 4)
        expected.insert(1, words);
    QCOMPARE(s.texts(), expected);
    qInfo("rich text listed but refused: %s", s.count == 4 ? "its plain text was taken" : "nothing was taken");

    // Text and picture both listed, both refused: nothing to take.
    ClipOwnerProcess& nothing = m_fx.newOwner();
    nothing.offerText(QStringLiteral("refused text"))
        .refuse(QStringLiteral("UTF8_STRING"))
        .refuse(QStringLiteral("text/plain;charset=utf-8"))
        .refuse(QStringLiteral("text/plain"))
        .offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(20, 20), 14)))
        .refuse(QStringLiteral("image/png"));
    QVERIFY2(m_fx.start(nothing), qPrintable(m_fx.error()));
    QVERIFY2(nothing.waitForDataRequest(kArrive), qPrintable(nothing.logText()));
    const int before = s.count;
    QString marker2;
    QVERIFY2(m_fx.sentinel(&s, &marker2), qPrintable(m_fx.error()));
    QCOMPARE(s.count, before + 1);
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    QVERIFY2(nothing.repeatedTargets().isEmpty(), qPrintable(nothing.logText()));
}

void DesktopRobustnessTest::ownerThatNeverAnswers()
{
    // The owner lists text but never delivers it: the program's read must
    // time out and leave everything as it was.
    ClipOwnerProcess& silent = m_fx.newOwner();
    silent.offerText(QStringLiteral("never delivered"))
        .neverAnswer(QStringLiteral("UTF8_STRING"))
        .neverAnswer(QStringLiteral("text/plain;charset=utf-8"))
        .neverAnswer(QStringLiteral("text/plain"));
    QVERIFY2(m_fx.start(silent), qPrintable(m_fx.error()));
    QVERIFY2(silent.waitForDataRequest(kArrive), qPrintable(silent.logText()));

    // A well-behaved copy right after is captured once Qt gives up on the silent one.
    QElapsedTimer clock;
    clock.start();
    ClipOwnerProcess* good = m_fx.copyText(QStringLiteral("delivered after the silent owner"));
    QVERIFY2(good, qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("delivered after the silent owner"), kAfterSilentOwner, &s),
             qPrintable(m_fx.error()));
    qInfo("captured %lld ms after the silent owner was replaced", qint64(clock.elapsed()));
    QCOMPARE(s.texts(), QStringList({QStringLiteral("delivered after the silent owner")}) + m_seeds);
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    // A silent owner is asked once for a type, not over and over.
    QVERIFY2(silent.repeatedTargets().isEmpty(), qPrintable(silent.logText()));
    QVERIFY2(good->repeatedTargets().isEmpty(), qPrintable(good->logText()));

    // A silent owner of a picture: the same.
    ClipOwnerProcess& silentPicture = m_fx.newOwner();
    silentPicture.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(50, 50), 11)))
        .neverAnswer(QStringLiteral("image/png"));
    QVERIFY2(m_fx.start(silentPicture), qPrintable(m_fx.error()));
    QVERIFY2(silentPicture.waitForDataRequest(kArrive), qPrintable(silentPicture.logText()));
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker, kAfterSilentOwner), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 4);
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    QVERIFY2(silentPicture.repeatedTargets().isEmpty(), qPrintable(silentPicture.logText()));
}

void DesktopRobustnessTest::slowOwnerIsWaitedFor()
{
    // One second per answer is slow but well inside Qt's transfer timeout.
    ClipOwnerProcess& slow = m_fx.newOwner();
    slow.offer(QStringLiteral("text/rtf"), "{\\rtf1 slowly {\\b delivered}\\par}")
        .offerText(QStringLiteral("slowly delivered"))
        .delayEachAnswer(1000);
    QVERIFY2(m_fx.start(slow), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("slowly delivered"), kAfterSilentOwner, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.rows[0].kind, QStringLiteral("RTF"));
    QCOMPARE(s.rows[0].data, QStringLiteral("{\\rtf1 slowly {\\b delivered}\\par}"));
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
}

void DesktopRobustnessTest::eachTypeRequestedOncePerCopy()
{
    struct Offer
    {
        const char* name;
        std::function<void(ClipOwnerProcess&)> fill;
    };
    const std::vector<Offer> offers = {
        {"text", [](ClipOwnerProcess& o) { o.offerText(QStringLiteral("counted text")); }},
        {"rich text",
         [](ClipOwnerProcess& o) {
             o.offer(QStringLiteral("text/rtf"), "{\\rtf1 counted rich\\par}")
                 .offerText(QStringLiteral("counted rich"));
         }},
        {"picture",
         [](ClipOwnerProcess& o) {
             o.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(33, 33), 12)));
         }},
        {"picture and text",
         [](ClipOwnerProcess& o) {
             o.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(34, 34), 13)))
                 .offerText(QStringLiteral("counted caption"));
         }},
    };
    int expected = 2;
    for (const Offer& offer : offers) {
        ClipOwnerProcess& owner = m_fx.newOwner();
        offer.fill(owner);
        QVERIFY2(m_fx.start(owner), qPrintable(m_fx.error()));
        ++expected;
        ProbeState s;
        QVERIFY2(m_fx.app().waitFor([expected](const ProbeState& st) { return st.count == expected; }, kArrive, &s),
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(offer.name), s.describe())));
        // The next copy ends this owner; only then is its log complete.
        QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
        ++expected;
        QVERIFY2(owner.repeatedTargets().isEmpty(),
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(offer.name), owner.logText())));
        QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    }
}

void DesktopRobustnessTest::offerLargerThanTheCapInOnePiece()
{
    // 300 MiB in one property, without INCR (the rig's X server takes requests of up to 508 MiB):
    // its size is known before its bytes are read, and it is never fetched.
    const qint64 pid = m_fx.app().pid();
    const qint64 idleKiB = statusKiB(pid, "VmRSS");
    QVERIFY(idleKiB > 0);
    const qsizetype size = qsizetype(300) << 20;
    ClipOwnerProcess& huge = m_fx.newOwner();
    huge.offer(QStringLiteral("UTF8_STRING"), QByteArray(size, 'x')).incrAbove(size + 1);
    QVERIFY2(m_fx.start(huge), qPrintable(m_fx.error()));
    QVERIFY2(huge.waitForDataRequest(kArrive), qPrintable(huge.logText()));
    // The user is told once, without a box that holds anything up: the next copy is taken meanwhile.
    QTRY_COMPARE_WITH_TIMEOUT(m_fx.session().visibleDialogs(QStringLiteral("^Stashbox$")).size(), 1, kArrive);
    ProbeState s;
    QVERIFY2(m_fx.sentinel(&s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 3);
    QVERIFY2(seedStillThere(s), qPrintable(m_fx.error()));
    QVERIFY2(huge.logText().contains(QStringLiteral("UTF8_STRING answered")), qPrintable(huge.logText()));
    const qint64 peakKiB = statusKiB(pid, "VmHWM");
    qInfo("resident %lld KiB before the offer, at most %lld KiB after", idleKiB, peakKiB);
    QVERIFY2(peakKiB - idleKiB < 100 * 1024, qPrintable(QString::number(peakKiB)));

    // SIGTERM ends it at once; what a write cut short left in its folders is gone after the next start.
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(pid), SIGTERM);
    while (m_fx.app().isAlive() && clock.elapsed() < 1000)
        QThread::msleep(20);
    QVERIFY2(!m_fx.app().isAlive(), "still running a second after SIGTERM");
    const QString autosave = m_fx.app().userFolder() + QStringLiteral("/{E098A55430BFFEE0816A628E}{")
        + RigPaths::loginName() + QLatin1Char('}');
    const QStringList leftovers{autosave + QStringLiteral("/.session.sbt.Ab12Cd"),
                                autosave + QStringLiteral("/temp.sbt_Data/.120626165347.x9Y8z7")};
    QVERIFY(QDir().mkpath(autosave + QStringLiteral("/temp.sbt_Data")));
    for (const QString& path : leftovers) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
    }
    QString why;
    QVERIFY2(m_fx.app().restart(&why), qPrintable(why));
    QVERIFY2(m_fx.waitForTopText(s.texts().constFirst(), kArrive, &s), qPrintable(m_fx.error()));
    for (const QString& path : leftovers)
        QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
}

QTEST_GUILESS_MAIN(DesktopRobustnessTest)
#include "tst_desktop_robustness.moc"
