// What a person sees when copying in other programs while Stashbox runs:
// the kinds of items, duplicates, the order, the limit and the capture switch.

#include "desktopfixture.h"
#include "sampleimages.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kArrive = 10000; // ms for an ordinary copy to show up

const ProbeRow* findText(const ProbeState& s, const QString& text)
{
    for (const ProbeRow& r : s.rows)
        if (r.text == text)
            return &r;
    return nullptr;
}

int countKind(const ProbeState& s, const QString& kind)
{
    int n = 0;
    for (const ProbeRow& r : s.rows)
        n += r.kind == kind;
    return n;
}

} // namespace

class DesktopCaptureTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void plainTextAndDuplicates();
    void richTextBecomesOneItem_data();
    void richTextBecomesOneItem();
    void pictureBecomesBitmapItem();
    void imageCaptureSwitchedOffInSettings();
    void captureSwitch();
    void oldestRollsOffAtTheLimit();

private:
    bool writeFile(const QString& name, const QByteArray& bytes, QString* path);

    DesktopFixture m_fx;
    QTemporaryDir m_files;
};

void DesktopCaptureTest::initTestCase()
{
    QVERIFY(m_files.isValid());
    QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error()));
}

void DesktopCaptureTest::cleanup()
{
    m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed());
}

void DesktopCaptureTest::cleanupTestCase()
{
    m_fx.stopSession();
}

bool DesktopCaptureTest::writeFile(const QString& name, const QByteArray& bytes, QString* path)
{
    *path = m_files.filePath(name);
    QFile file(*path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void DesktopCaptureTest::plainTextAndDuplicates()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    QString why;

    // xclip is the other program here: the plainest owner there is.
    QVERIFY2(m_fx.session().copyText(QStringLiteral("alpha"), &why), qPrintable(why));
    ProbeState s;
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("alpha"), kArrive, &s), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 1);
    QCOMPARE(s.countLabel, QStringLiteral("1  ITEMS"));
    QCOMPARE(s.rows[0].kind, QStringLiteral("Text"));
    QCOMPARE(s.rows[0].label, QStringLiteral("alpha"));
    QCOMPARE(s.rows[0].data, QString());
    QCOMPARE(s.rows[0].heightTwips, 235);
    // Capturing only reads: the clipboard still belongs to the program that copied.
    const XSession::Result pasted = m_fx.session().readClipboard();
    QVERIFY(pasted.finished);
    QCOMPARE(pasted.output, QByteArray("alpha"));
    QVERIFY2(m_fx.session().clipboardTargets().contains(QStringLiteral("UTF8_STRING")),
             qPrintable(m_fx.session().clipboardTargets().join(QLatin1Char(' '))));

    // The same text again, from another owner: looked at, but not taken.
    ClipOwnerProcess* again = m_fx.copyText(QStringLiteral("alpha"));
    QVERIFY2(again, qPrintable(m_fx.error()));
    QVERIFY2(again->waitForDataRequest(kArrive), qPrintable(again->logText()));
    QString beta;
    QVERIFY2(m_fx.sentinel(&s, &beta), qPrintable(m_fx.error()));
    QCOMPARE(s.texts(), QStringList({beta, QStringLiteral("alpha")}));

    // A, B, A: the second A is still in the list, so it is a duplicate too.
    QVERIFY2(m_fx.session().copyText(QStringLiteral("alpha"), &why), qPrintable(why));
    QString gamma;
    QVERIFY2(m_fx.sentinel(&s, &gamma), qPrintable(m_fx.error()));
    QCOMPARE(s.texts(), QStringList({gamma, beta, QStringLiteral("alpha")}));
    QCOMPARE(s.countLabel, QStringLiteral("3  ITEMS"));

    // Duplicates compare exactly: case, blanks and line ends make a new item;
    // text outside ASCII arrives unchanged.
    const QStringList variants = {QStringLiteral("Alpha"), QStringLiteral("alpha "),
                                  QStringLiteral("alpha\nsecond line\ttab"),
                                  QStringLiteral("Grüße – 日本語 – emoji \U0001F600")};
    for (const QString& v : variants) {
        QVERIFY2(m_fx.copyText(v), qPrintable(m_fx.error()));
        QVERIFY2(m_fx.waitForTopText(v, kArrive, &s), qPrintable(m_fx.error()));
        QCOMPARE(s.rows[0].label, v);
    }
    QCOMPARE(s.count, 7);
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
    for (const ProbeRow& r : s.rows)
        QCOMPARE(r.heightTwips, 235);
}

void DesktopCaptureTest::richTextBecomesOneItem_data()
{
    QTest::addColumn<QString>("mimeType");
    QTest::newRow("text/rtf") << QStringLiteral("text/rtf");
    QTest::newRow("application/rtf") << QStringLiteral("application/rtf");
    QTest::newRow("text/richtext") << QStringLiteral("text/richtext");
}

void DesktopCaptureTest::richTextBecomesOneItem()
{
    QFETCH(QString, mimeType);
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));

    const QString words = QStringLiteral("Bold move, plain words");
    const QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 {\\b Bold move}, plain words\\par}";
    ClipOwnerProcess& rich = m_fx.newOwner();
    rich.offer(mimeType, rtf).offerText(words);
    QVERIFY2(m_fx.start(rich), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.waitForTopText(words, kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 1);
    QCOMPARE(s.rows[0].kind, QStringLiteral("RTF"));
    QCOMPARE(s.rows[0].data, QString::fromLatin1(rtf));
    QCOMPARE(s.rows[0].label, words);

    // The same words as plain text match the RTF item's text: nothing new.
    ClipOwnerProcess* plain = m_fx.copyText(words);
    QVERIFY2(plain, qPrintable(m_fx.error()));
    QVERIFY2(plain->waitForDataRequest(kArrive), qPrintable(plain->logText()));
    // And the same rich text again is a duplicate of its RTF.
    ClipOwnerProcess& richAgain = m_fx.newOwner();
    richAgain.offer(mimeType, rtf).offerText(words);
    QVERIFY2(m_fx.start(richAgain), qPrintable(m_fx.error()));
    QVERIFY2(richAgain.waitForRequest(mimeType, kArrive), qPrintable(richAgain.logText()));
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker), qPrintable(m_fx.error()));
    QCOMPARE(s.texts(), QStringList({marker, words}));
    QCOMPARE(countKind(s, QStringLiteral("RTF")), 1);

    // Other RTF with the same words is a new item: RTF compares with RTF.
    const QByteArray otherRtf = "{\\rtf1\\ansi {\\i Bold move}, plain words\\par}";
    ClipOwnerProcess& other = m_fx.newOwner();
    other.offer(mimeType, otherRtf).offerText(words);
    QVERIFY2(m_fx.start(other), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(words, kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.rows[0].data, QString::fromLatin1(otherRtf));
    QCOMPARE(s.count, 3);
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
}

void DesktopCaptureTest::pictureBecomesBitmapItem()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    const QImage picture = SampleImages::pattern(QSize(64, 48), 1);
    QString pngPath;
    QVERIFY(writeFile(QStringLiteral("picture.png"), SampleImages::encode(picture), &pngPath));

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QString why;
    QVERIFY2(m_fx.session().copyFile(pngPath, QStringLiteral("image/png"), &why), qPrintable(why));
    ProbeState s;
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 1; }, kArrive, &s),
             qPrintable(s.describe()));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const ProbeRow first = s.rows[0];
    QCOMPARE(first.kind, QStringLiteral("Bitmap"));
    QCOMPARE(first.label, QStringLiteral("IMAGE"));
    QCOMPARE(first.pictureWidth, 64);
    QCOMPARE(first.pictureHeight, 48);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+$")).match(first.data).hasMatch(), qPrintable(first.data));
    // The stamp is the capture time, mmddyyhhmmss.
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{12}$")).match(first.text).hasMatch(), qPrintable(first.text));
    QDateTime stamp = QDateTime::fromString(first.text, QStringLiteral("MMddyyHHmmss"));
    stamp = stamp.addYears(100 * ((before.date().year() - stamp.date().year() + 50) / 100));
    QVERIFY2(stamp >= before && stamp <= after,
             qPrintable(QStringLiteral("stamp %1 not between %2 and %3")
                            .arg(first.text, before.toString(Qt::ISODate), after.toString(Qt::ISODate))));

    // The same picture copied again (same pixels, new owner) adds nothing.
    ClipOwnerProcess& same = m_fx.newOwner();
    same.offer(QStringLiteral("image/png"), SampleImages::encode(picture));
    QVERIFY2(m_fx.start(same), qPrintable(m_fx.error()));
    QVERIFY2(same.waitForRequest(QStringLiteral("image/png"), kArrive), qPrintable(same.logText()));
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 2);
    QCOMPARE(countKind(s, QStringLiteral("Bitmap")), 1);

    // A different picture is a new item with its own fingerprint, also when
    // only one pixel differs.
    QImage changed = picture;
    changed.setPixel(10, 10, picture.pixel(10, 10) ^ 0x00010101);
    ClipOwnerProcess& different = m_fx.newOwner();
    different.offer(QStringLiteral("image/png"), SampleImages::encode(changed));
    QVERIFY2(m_fx.start(different), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 3; }, kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.rows[0].kind, QStringLiteral("Bitmap"));
    QVERIFY(s.rows[0].data != first.data);
    QCOMPARE(s.rows[2].data, first.data);

    // A copy offering a picture and text is a text item: text comes first.
    ClipOwnerProcess& both = m_fx.newOwner();
    both.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(30, 30), 7)))
        .offerText(QStringLiteral("caption of a picture"));
    QVERIFY2(m_fx.start(both), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("caption of a picture"), kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.rows[0].kind, QStringLiteral("Text"));
    QCOMPARE(s.rows[0].pictureWidth, 0);
    QCOMPARE(s.count, 4);

    // Rich text, plain text and a picture together: rich text comes first.
    ClipOwnerProcess& all = m_fx.newOwner();
    all.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(30, 30), 8)))
        .offer(QStringLiteral("text/rtf"), "{\\rtf1 {\\b all} three\\par}")
        .offerText(QStringLiteral("all three"));
    QVERIFY2(m_fx.start(all), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("all three"), kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.rows[0].kind, QStringLiteral("RTF"));
    QCOMPARE(s.rows[0].data, QStringLiteral("{\\rtf1 {\\b all} three\\par}"));
    QCOMPARE(s.rows[0].pictureWidth, 0);
    QCOMPARE(s.count, 5);
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
}

void DesktopCaptureTest::imageCaptureSwitchedOffInSettings()
{
    QVERIFY2(m_fx.startApp({{QStringLiteral("images"), QStringLiteral("none")}}), qPrintable(m_fx.error()));
    auto s0 = m_fx.app().state();
    QVERIFY(s0);
    QVERIFY(!s0->imageCapture);
    QVERIFY(s0->captureOn);

    ClipOwnerProcess& picture = m_fx.newOwner();
    picture.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(40, 40), 3)));
    QVERIFY2(m_fx.start(picture), qPrintable(m_fx.error()));
    QVERIFY2(picture.waitForRequest(QStringLiteral("TARGETS"), kArrive), qPrintable(picture.logText()));
    ProbeState s;
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker), qPrintable(m_fx.error()));
    QCOMPARE(s.texts(), QStringList{marker});

    // Text that comes with a picture is still taken.
    ClipOwnerProcess& both = m_fx.newOwner();
    both.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(40, 40), 4)))
        .offerText(QStringLiteral("text beside a picture"));
    QVERIFY2(m_fx.start(both), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("text beside a picture"), kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 2);
    QCOMPARE(countKind(s, QStringLiteral("Bitmap")), 0);
}

void DesktopCaptureTest::captureSwitch()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    // A first item also makes the probe report where the placed window is.
    QVERIFY2(m_fx.copyText(QStringLiteral("before switching off")), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("before switching off"), kArrive, &s), qPrintable(m_fx.error()));
    QVERIFY(s.captureOn);
    QVERIFY2(m_fx.reveal(QStringLiteral("Check1"), &s), qPrintable(m_fx.error()));
    QPoint check = s.controls.value(QStringLiteral("Check1")).center();

    QVERIFY(m_fx.session().click(check));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return !st.captureOn; }, kArrive, &s),
             "clicking Check1 did not switch capture off");

    // Copies while switched off are not taken, text or picture.
    ClipOwnerProcess* off = m_fx.copyText(QStringLiteral("copied while off"));
    QVERIFY2(off, qPrintable(m_fx.error()));
    ClipOwnerProcess& offPicture = m_fx.newOwner();
    offPicture.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(20, 20), 5)));
    QVERIFY2(m_fx.start(offPicture), qPrintable(m_fx.error()));
    ClipOwnerProcess* offAgain = m_fx.copyText(QStringLiteral("copied while off, again"));
    QVERIFY2(offAgain, qPrintable(m_fx.error()));

    // Switching on does not take what is already on the clipboard; the next copy is.
    QVERIFY2(m_fx.reveal(QStringLiteral("Check1"), &s), qPrintable(m_fx.error()));
    check = s.controls.value(QStringLiteral("Check1")).center();
    QVERIFY(m_fx.session().click(check));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.captureOn; }, kArrive, &s),
             "clicking Check1 again did not switch capture on");
    QVERIFY2(m_fx.copyText(QStringLiteral("after switching on")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("after switching on"), kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.texts(), QStringList({QStringLiteral("after switching on"), QStringLiteral("before switching off")}));
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
}

void DesktopCaptureTest::oldestRollsOffAtTheLimit()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    // A picture at the bottom: it rolls off like any other item.
    ClipOwnerProcess& picture = m_fx.newOwner();
    picture.offer(QStringLiteral("image/png"), SampleImages::encode(SampleImages::pattern(QSize(16, 16), 9)));
    QVERIFY2(m_fx.start(picture), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.app().waitFor([](const ProbeState& st) { return st.count == 1; }, kArrive, &s),
             qPrintable(s.describe()));
    QCOMPARE(s.limit, 20);
    for (int i = 2; i <= 21; ++i) {
        const QString text = QStringLiteral("item %1").arg(i);
        QVERIFY2(m_fx.copyText(text), qPrintable(m_fx.error()));
        QVERIFY2(m_fx.waitForTopText(text, kArrive, &s), qPrintable(m_fx.error()));
        QCOMPARE(s.count, qMin(i, 20));
        QCOMPARE(s.countLabel, QStringLiteral("%1  ITEMS").arg(qMin(i, 20)));
    }
    QVERIFY2(m_fx.intact(s), qPrintable(m_fx.error()));
    QCOMPARE(countKind(s, QStringLiteral("Bitmap")), 0);
    QCOMPARE(s.rows.back().text, QStringLiteral("item 2"));
    QCOMPARE(s.rows.back().row, 19);

    // Full list: one more new text replaces the oldest, a duplicate changes nothing.
    QVERIFY2(m_fx.copyText(QStringLiteral("item 22")), qPrintable(m_fx.error()));
    QVERIFY2(m_fx.waitForTopText(QStringLiteral("item 22"), kArrive, &s), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 20);
    QVERIFY(!findText(s, QStringLiteral("item 2")));
    ClipOwnerProcess* duplicate = m_fx.copyText(QStringLiteral("item 10"));
    QVERIFY2(duplicate, qPrintable(m_fx.error()));
    QVERIFY2(duplicate->waitForDataRequest(kArrive), qPrintable(duplicate->logText()));
    QString marker;
    QVERIFY2(m_fx.sentinel(&s, &marker), qPrintable(m_fx.error()));
    QCOMPARE(s.count, 20);
    QCOMPARE(s.rows[1].text, QStringLiteral("item 22"));
    QCOMPARE(s.rows.back().text, QStringLiteral("item 4"));
    for (const ProbeRow& r : s.rows)
        QCOMPARE(r.heightTwips, 235);
}

QTEST_GUILESS_MAIN(DesktopCaptureTest)
#include "tst_desktop_capture.moc"
