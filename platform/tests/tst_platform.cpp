#include "appfolder.h"
#include "clipboardbackend.h"
#include "clipboardoffer.h"
#include "controlchannel.h"
#include "dialogsport.h"
#include "picture.h"
#include "picturespill.h"
#include "plainfile.h"
#include "profilefile.h"
#include "screenmetrics.h"
#include "secretmarker.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {
QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
    return bytes;
}

QImage noise(int w, int h, quint32 seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 x = seed;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w; ++i) {
            x = x * 1664525u + 1013904223u;
            img.setPixel(i, y, 0xff000000u | (x >> 8));
        }
    return img;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void profileFileReadsAndWrites();
    void profileFileKeepsWhatItDoesNotOwn();
    void profileFileBadInput();
    void specialFilesAreNeverReadAndLinksNeverWrittenThrough();
    void unreadableProfileFileIsNeverReplaced();
    void foldersOthersCanTouchAreNotTrusted();
    void pictureFingerprintFollowsContent();
    void pictureKeepsCapturesCompact();
    void largePicturesWaitOnDisk();
    void offerReadsEachFormatOnce();
    void offerPrefersRtfTypesInOrder();
    void offerRejectsUndecodablePicture();
    void secretMarkers_data();
    void secretMarkers();
    void secretCheckReadsNoContent();
    void filterConversion();
    void clipboardBackendFollowsTheSession_data();
    void clipboardBackendFollowsTheSession();
    void rounding();
    void controlChannelTakesOnlyOurRequests();
    void controlChannelRefusesAPlantedSocket();
};

void TestPlatform::profileFileReadsAndWrites()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sub.ini");
    // Missing file: the default, cut like a stored value.
    QCOMPARE(ProfileFile::read(path, "SBOptions", "images", "default"), QString("default"));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "k", QString(300, 'x')).size(), 254);

    QVERIFY(ProfileFile::write(path, "SBOptions", "images", "none"));
    QVERIFY(ProfileFile::write(path, "SBOptions", "pro", "100"));
    QCOMPARE(ProfileFile::read(path, "sboptions", "IMAGES", "default"), QString("none"));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "pro", "default"), QString("100"));
    // Replacing a value keeps one line for the key.
    QVERIFY(ProfileFile::write(path, "SBOptions", "IMAGES", "default"));
    QCOMPARE(fileBytes(path).count("images="), 0);
    QCOMPARE(fileBytes(path).count("IMAGES="), 1);
    QCOMPARE(ProfileFile::read(path, "SBOptions", "images", "x"), QString("default"));

    // Values are cut to 254 characters and lose NULs; a line break cannot smuggle in a new key.
    QVERIFY(ProfileFile::write(path, "SBOptions", "long", QString(10000, 'v')));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "long", "").size(), 254);
    QVERIFY(ProfileFile::write(path, "SBOptions", "nul", QString("a") + QChar(0) + "b\nevil=1"));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "nul", ""), QString("ab"));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "evil", "none"), QString("none"));
}

void TestPlatform::profileFileKeepsWhatItDoesNotOwn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.ini");
    const QByteArray before = "; comment\r\n[Other]\r\nimages=other\r\nno equals sign here\r\n\r\n[SBOptions]\r\n"
                              "  pro = 100  \r\n\r\n[Tail]\r\nx=\"quoted\"\r\n";
    writeFile(path, before);
    QCOMPARE(ProfileFile::read(path, "SBOptions", "pro", "d"), QString("100"));
    QCOMPARE(ProfileFile::read(path, "Tail", "x", "d"), QString("quoted"));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "images", "d"), QString("d")); // other section's key

    QVERIFY(ProfileFile::write(path, "SBOptions", "images", "none"));
    const QByteArray after = fileBytes(path);
    QVERIFY(after.startsWith("; comment\r\n[Other]\r\nimages=other\r\nno equals sign here\r\n"));
    QVERIFY(after.contains("  pro = 100  \r\nimages=none\n\r\n[Tail]\r\nx=\"quoted\"\r\n"));
    QCOMPARE(ProfileFile::read(path, "Other", "images", "d"), QString("other"));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "images", "d"), QString("none"));
}

void TestPlatform::profileFileBadInput()
{
    QTemporaryDir dir;
    // Garbage, a huge line and binary noise: reads give defined results, writes keep the rest.
    const QString path = dir.filePath("garbage.ini");
    QByteArray junk = "\x01\x02[[[\n=novalue\n[SBOptions\nkey\n";
    junk += QByteArray(3 * 1024 * 1024, 'z') + "\n";
    junk += "[SBOptions]\nimages=none\n";
    writeFile(path, junk);
    QCOMPARE(ProfileFile::read(path, "SBOptions", "images", "d"), QString("none"));
    QVERIFY(ProfileFile::write(path, "SBOptions", "pro", "100"));
    const QByteArray after = fileBytes(path);
    QVERIFY(after.startsWith(junk.left(40)));
    QVERIFY(after.contains(QByteArray(3 * 1024 * 1024, 'z')));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "pro", "d"), QString("100"));

    // Nothing is written for a key that cannot be a key, or into a folder that does not exist.
    QVERIFY(!ProfileFile::write(path, "SBOptions", "a=b", "1"));
    QVERIFY(!ProfileFile::write(path, "SBOptions", "", "1"));
    QVERIFY(!ProfileFile::write(dir.filePath("missing/x.ini"), "S", "k", "v"));
}

void TestPlatform::specialFilesAreNeverReadAndLinksNeverWrittenThrough()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath("zero");
    QVERIFY(QFile::link("/dev/zero", zero));
    const QString huge = dir.filePath("huge");
    writeFile(huge, "x");
    QVERIFY(QFile::resize(huge, Picture::MaxFileBytes + 1)); // sparse
    QByteArray out = "untouched";
    // Each is refused at once: nothing blocks, nothing is read.
    QCOMPARE(PlainFile::read(fifo, 1 << 20, &out), PlainFile::Status::NotAFile);
    QCOMPARE(PlainFile::read(zero, 1 << 20, &out), PlainFile::Status::NotAFile);
    QCOMPARE(PlainFile::read(huge, Picture::MaxFileBytes, &out), PlainFile::Status::TooLarge);
    QCOMPARE(out, QByteArray("untouched"));
    QVERIFY(Picture::fromFile(fifo).isNull());
    QVERIFY(Picture::fromFile(huge).isNull());
    QCOMPARE(ProfileFile::read(fifo, "SBOptions", "pro", "default"), QString("default"));
    QVERIFY(!ProfileFile::write(fifo, "SBOptions", "pro", "100"));

    // A link in a file's place is replaced; what it pointed to is not written.
    const QString victim = dir.filePath("victim");
    writeFile(victim, "[SBOptions]\nkeep=me\n");
    const QString ini = dir.filePath("user.ini");
    QVERIFY(QFile::link(victim, ini));
    QCOMPARE(PlainFile::read(ini, 1 << 20, &out, PlainFile::Links::Refuse), PlainFile::Status::NotAFile);
    QVERIFY(ProfileFile::write(ini, "SBOptions", "pro", "100"));
    QVERIFY(!QFileInfo(ini).isSymLink());
    QCOMPARE(fileBytes(victim), QByteArray("[SBOptions]\nkeep=me\n"));
    QCOMPARE(fileBytes(ini), QByteArray("[SBOptions]\nkeep=me\npro=100\n"));

    // What a write cut short leaves is removed; other hidden files, and the files they point to, stay.
    for (const char* name : {".user.ini.aB3dE9", ".list.sbt.000000", ".user.ini.short", ".hidden"})
        writeFile(dir.filePath(name), "x");
    QVERIFY(QFile::link(victim, dir.filePath(".user.ini.LiNk00")));
    const auto hidden = [&dir] { return QDir(dir.path()).entryList({".*"}, QDir::Files | QDir::Hidden | QDir::System); };
    PlainFile::removeLeftovers(dir.path(), "user.ini");
    QCOMPARE(hidden(), QStringList({".hidden", ".list.sbt.000000", ".user.ini.short"}));
    PlainFile::removeLeftovers(dir.path());
    QCOMPARE(hidden(), QStringList({".hidden", ".user.ini.short"}));
    QCOMPARE(fileBytes(victim), QByteArray("[SBOptions]\nkeep=me\n"));
}

void TestPlatform::unreadableProfileFileIsNeverReplaced()
{
    if (::geteuid() == 0)
        QSKIP("root reads every file; run as an ordinary user");
    QTemporaryDir dir;
    const QString path = dir.filePath("user.ini");
    writeFile(path, "[SBOptions]\npro=100\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QCOMPARE(ProfileFile::read(path, "SBOptions", "pro", "default"), QString("default"));
    QVERIFY(!ProfileFile::write(path, "SBOptions", "images", "none"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(fileBytes(path), QByteArray("[SBOptions]\npro=100\n"));
}

void TestPlatform::foldersOthersCanTouchAreNotTrusted()
{
    QTemporaryDir dir;
    QVERIFY(AppFolder::isPrivateFolder(dir.path()));
    QVERIFY(AppFolder::untrustedReason(dir.path(), true).isEmpty());
    QVERIFY(AppFolder::untrustedReason(dir.filePath("not there")).isEmpty());

    const QString open = dir.filePath("open");
    QVERIFY(QDir().mkdir(open));
    QCOMPARE(::chmod(QFile::encodeName(open).constData(), 01777), 0);
    QVERIFY(!AppFolder::isPrivateFolder(open));
    QVERIFY(AppFolder::untrustedReason(open).startsWith("Other users can change"));

    const QString link = dir.filePath("link");
    QVERIFY(QFile::link(dir.path(), link));
    QVERIFY(!AppFolder::isPrivateFolder(link));
    QVERIFY(AppFolder::untrustedReason(link).endsWith("is a symbolic link."));
}

void TestPlatform::pictureFingerprintFollowsContent()
{
    const QImage a = noise(64, 48, 1);
    const QImage b = noise(64, 48, 2);
    QCOMPARE(imageFingerprint(a), imageFingerprint(a.copy()));
    QVERIFY(imageFingerprint(a) != imageFingerprint(b));
    // The same picture stored differently is the same picture.
    QCOMPARE(imageFingerprint(a), imageFingerprint(a.convertToFormat(QImage::Format_RGB888)));
    // Same pixels, other shape.
    const QImage wide = a.copy(0, 0, 32, 48);
    const QImage tall = QImage(wide.bits(), 48, 32, QImage::Format_RGB32).copy();
    QVERIFY(imageFingerprint(wide) != imageFingerprint(tall));
    QCOMPARE(imageFingerprint(QImage()), quint64(0));
    QVERIFY(imageFingerprint(QImage(1, 1, QImage::Format_RGB32)) != 0);
}

void TestPlatform::pictureKeepsCapturesCompact()
{
    const QImage big = noise(300, 200, 7);
    const Picture p = Picture::compact(big);
    QVERIFY(p.isCompact());
    QCOMPARE(p.size(), big.size());
    QCOMPARE(p.image().convertToFormat(QImage::Format_RGB32), big);
    QCOMPARE(p.fingerprint(), imageFingerprint(big));
    // Thumbnails keep the proportions and fit the box.
    const QImage t = p.thumbnail(QSize(60, 60));
    QCOMPARE(t.size(), QSize(60, 40));
    // Original encoded bytes are kept as they came.
    const QByteArray bytes = png(big);
    QCOMPARE(Picture::compact(big, bytes).encoded(), bytes);
    QVERIFY(Picture::fromData("not a picture").isNull());
    QCOMPARE(Picture::fromData(bytes).size(), big.size());
}

void TestPlatform::largePicturesWaitOnDisk()
{
    QTemporaryDir cache;
    // A folder left by a process that is gone is cleared away; others are left alone.
    QVERIFY(QDir(cache.path()).mkpath("spill-2147480000"));
    QVERIFY(QDir(cache.path()).mkpath("unrelated"));
    QVERIFY(PictureSpill::enable(cache.path()));
    QVERIFY(!QFileInfo::exists(cache.filePath("spill-2147480000")));
    QVERIFY(QFileInfo::exists(cache.filePath("unrelated")));
    const QString folder = PictureSpill::folder();
    QCOMPARE(QFile::permissions(folder) & 0x0777,
             QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);

    const QImage big = noise(400, 300, 3); // incompressible: far above the threshold
    {
        const Picture p = Picture::compact(big);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
        QVERIFY(p.isCompact());
        QCOMPARE(p.image().convertToFormat(QImage::Format_RGB32), big);
        QCOMPARE(p.fingerprint(), imageFingerprint(big));
        const Picture copy = p;
        const Picture again = Picture::fromEncoded(p.encoded());
        QCOMPARE(again.image().convertToFormat(QImage::Format_RGB32), big);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
        // Small pictures stay in memory.
        const Picture small = Picture::compact(noise(8, 8, 1));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
        QCOMPARE(small.image().convertToFormat(QImage::Format_RGB32), noise(8, 8, 1));
    }
    // The last holder of a picture takes its file with it.
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 0);
    PictureSpill::disable();
    QVERIFY(!QFileInfo::exists(folder));
    // Switched off, pictures stay in memory.
    const Picture p = Picture::compact(big);
    QCOMPARE(p.image().convertToFormat(QImage::Format_RGB32), big);
}

void TestPlatform::offerReadsEachFormatOnce()
{
    StaticOffer offer({{"text/rtf", "{\\rtf1 hi}"}, {"text/plain", "hi"}, {"image/png", png(noise(4, 4, 1))}});
    QVERIFY(offer.hasRtf());
    QVERIFY(offer.hasText());
    QVERIFY(offer.hasImage());
    QCOMPARE(offer.rtf(), QString("{\\rtf1 hi}"));
    QCOMPARE(offer.rtf(), QString("{\\rtf1 hi}"));
    QCOMPARE(offer.text(), QString("hi"));
    QCOMPARE(offer.text(), QString("hi"));
    QCOMPARE(offer.picture().size(), QSize(4, 4));
    QCOMPARE(offer.picture().size(), QSize(4, 4));
    QCOMPARE(offer.fetchCount("text/rtf"), 1);
    QCOMPARE(offer.fetchCount("text/plain"), 1);
    QCOMPARE(offer.fetchCount("image/png"), 1);
    // A format that is not offered is never requested.
    QCOMPARE(offer.data("text/html"), QByteArray());
    QCOMPARE(offer.fetchCount("text/html"), 0);
}

void TestPlatform::offerPrefersRtfTypesInOrder()
{
    StaticOffer both({{"text/richtext", "rich"}, {"application/rtf", "app"}});
    QCOMPARE(both.rtfFormat(), QString("application/rtf"));
    QCOMPARE(both.rtf(), QString("app"));
    // RTF bytes go in and out unchanged, whatever their encoding; a trailing NUL is dropped.
    StaticOffer high({{"text/rtf", QByteArray("{\\rtf1 \xe9\xff}\0", 10)}});
    QCOMPARE(high.rtf().toLatin1(), QByteArray("{\\rtf1 \xe9\xff}"));
    StaticOffer none({{"text/html", "<b>x</b>"}});
    QVERIFY(!none.hasRtf());
    QVERIFY(!none.hasText());
    QVERIFY(!none.hasImage());
}

void TestPlatform::offerRejectsUndecodablePicture()
{
    StaticOffer bad({{"image/png", "\x89PNG\r\n\x1a\n garbage"}});
    QVERIFY(bad.hasImage());
    QVERIFY(bad.picture().isNull());
    // A picture larger than the decoder's memory limit is refused, not allocated.
    QImage huge(10000, 10000, QImage::Format_Mono);
    huge.fill(0);
    StaticOffer big({{"image/png", png(huge)}});
    QVERIFY(big.picture().isNull());
}

void TestPlatform::secretMarkers_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("secret");
    QTest::newRow("kde secret") << QByteArray("x-kde-passwordManagerHint") << QByteArray("secret") << true;
    QTest::newRow("kde secret nul") << QByteArray("x-kde-passwordManagerHint") << QByteArray("secret\0", 7) << true;
    QTest::newRow("kde public") << QByteArray("x-kde-passwordManagerHint") << QByteArray("public") << false;
    QTest::newRow("kde empty") << QByteArray("x-kde-passwordManagerHint") << QByteArray() << false;
    QTest::newRow("exclude") << QByteArray("ExcludeClipboardContentFromMonitorProcessing") << QByteArray() << true;
    QTest::newRow("viewer ignore") << QByteArray("Clipboard Viewer Ignore") << QByteArray("x") << true;
    QByteArray zero(4, '\0');
    QByteArray one(4, '\0');
    qToLittleEndian<quint32>(1, one.data());
    QTest::newRow("history 0") << QByteArray("CanIncludeInClipboardHistory") << zero << true;
    QTest::newRow("history 1") << QByteArray("CanIncludeInClipboardHistory") << one << false;
    QTest::newRow("history short") << QByteArray("CanIncludeInClipboardHistory") << QByteArray("\0", 1) << false;
    QTest::newRow("plain") << QByteArray("text/html") << QByteArray("secret") << false;
}

void TestPlatform::secretMarkers()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, value);
    QFETCH(bool, secret);
    StaticOffer offer({{QString::fromLatin1(format), value}, {"text/plain", "hunter2"}});
    QCOMPARE(isMarkedSecret(offer), secret);
}

void TestPlatform::secretCheckReadsNoContent()
{
    StaticOffer offer({{"x-kde-passwordManagerHint", "secret"}, {"text/plain", "hunter2"}, {"text/rtf", "{\\rtf1}"}});
    QVERIFY(isMarkedSecret(offer));
    QCOMPARE(offer.fetchCount("text/plain"), 0);
    QCOMPARE(offer.fetchCount("text/rtf"), 0);
}

void TestPlatform::filterConversion()
{
    QCOMPARE(DialogsPort::toQtFilter("Stashbox Data Files|*.sbx|"), QString("Stashbox Data Files (*.sbx)"));
    QCOMPARE(DialogsPort::toQtFilter("Windows Bitmap Files |*.bmp|Jpeg Files |*.jpg|GIF Files|*.gif"),
             QString("Windows Bitmap Files (*.bmp);;Jpeg Files (*.jpg);;GIF Files (*.gif)"));
    QCOMPARE(DialogsPort::toQtFilter("Pictures|*.bmp;*.png"), QString("Pictures (*.bmp *.png)"));
    QCOMPARE(DialogsPort::toQtFilter("dangling"), QString());
}

void TestPlatform::rounding()
{
    QCOMPARE(ScreenMetrics::roundHalfEven(44.5), 44);
    QCOMPARE(ScreenMetrics::roundHalfEven(45.5), 46);
    QCOMPARE(ScreenMetrics::roundNearest(2.5), 3);
    QCOMPARE(ScreenMetrics::roundNearest(-2.5), -3);
    // 235 twips at 15 twips per pixel.
    QCOMPARE(ScreenMetrics::roundNearest(235 / 15.0), 16);
}

void TestPlatform::controlChannelTakesOnlyOurRequests()
{
    using ControlChannel::Request;
    const Request copy{"copy", 12};
    QCOMPARE(copy.encode(), QByteArray("STASHBOX1 copy 12\n"));
    QCOMPARE(Request::parse(copy.encode())->number, 12);
    for (const char* bad :
         {"STASHBOX1 copy 12", "STASHBOX1 Copy\n", "STASHBOX1  copy\n", "STASHBOX2 copy\n", "STASHBOX1 copy -1\n",
          "STASHBOX1 copy 1 2\n", "STASHBOX1 copy 1234567890\n", "GET / HTTP/1.0\n", "STASHBOX1 toggle\r\n"})
        QVERIFY2(!Request::parse(bad), bad);
    QVERIFY(!Request::parse("STASHBOX1 " + QByteArray(60, 'a') + '\n'));

    // A running server hands each request on, and answers what it gets back; the socket is ours alone.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.socket"));
    ControlChannel::Server server(path);
    QStringList handled;
    server.handler = [&handled](const Request& r) {
        handled << QString::fromLatin1(r.command);
        return ControlChannel::Answer{true, "listed\n"};
    };
    QString error;
    QVERIFY2(server.listen(&error), qPrintable(error));
    struct stat st = {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    ControlChannel::Answer answer;
    bool sent = false;
    std::atomic<bool> done = false;
    // The server answers from this thread's events: they run until the client has its answer.
    std::thread client([&] {
        sent = ControlChannel::send(path, {"list", -1}, &answer, &error, 5000);
        done = true;
    });
    QTRY_VERIFY(done);
    client.join();
    QCOMPARE(handled, QStringList{QStringLiteral("list")});
    QVERIFY2(sent, qPrintable(error));
    QVERIFY(answer.ok);
    QCOMPARE(answer.text, QByteArray("listed\n"));
}

void TestPlatform::controlChannelRefusesAPlantedSocket()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.socket"));
    const QString target = dir.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QFile::link(target, path));
    QString error;
    ControlChannel::Server linked(path);
    QVERIFY(!linked.listen(&error));
    QVERIFY(error.contains(QLatin1String("link")));
    ControlChannel::Answer answer;
    QVERIFY(!ControlChannel::send(path, {"show", -1}, &answer, &error, 1000));
    QVERIFY(QFileInfo(path).isSymLink());

    QVERIFY(QFile::remove(path));
    QFile plain(path);
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("mine") == 4);
    plain.close();
    ControlChannel::Server overPlainFile(path);
    QVERIFY(!overPlainFile.listen(&error));
    QCOMPARE(QFileInfo(path).size(), 4);
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"

Q_DECLARE_METATYPE(ClipboardBackend)

void TestPlatform::clipboardBackendFollowsTheSession_data()
{
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("x11");
    QTest::addColumn<QString>("dataControl");
    QTest::addColumn<ClipboardBackend>("backend");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<int>("notes");
    const QString wlr = QStringLiteral("zwlr_data_control_manager_v1");
    QTest::newRow("X11 session") << false << true << QString() << ClipboardBackend::X11 << QByteArray() << 0;
    QTest::newRow("Wayland with data-control and XWayland")
        << true << true << wlr << ClipboardBackend::Wayland << QByteArray("xcb") << 0;
    QTest::newRow("Wayland with data-control, no XWayland")
        << true << false << wlr << ClipboardBackend::Wayland << QByteArray("wayland") << 1;
    QTest::newRow("Wayland without data-control (XWayland serves)")
        << true << true << QString() << ClipboardBackend::X11 << QByteArray("xcb") << 1;
    QTest::newRow("Wayland with neither")
        << true << false << QString() << ClipboardBackend::Qt << QByteArray("wayland") << 2;
}

void TestPlatform::clipboardBackendFollowsTheSession()
{
    QFETCH(bool, wayland);
    QFETCH(bool, x11);
    QFETCH(QString, dataControl);
    QFETCH(ClipboardBackend, backend);
    QFETCH(QByteArray, platform);
    QFETCH(int, notes);
    const DesktopSession session{wayland, x11, dataControl};
    QCOMPARE(chooseClipboardBackend(session), backend);
    QCOMPARE(preferredQtPlatform(session), platform);
    // Each note said once: what the clipboard may miss, and where the panel cannot go.
    const QStringList said = sessionNotes(backend, session, QString::fromLatin1(platform));
    QCOMPARE(said.size(), notes);
    QVERIFY(describeClipboardBackend(backend, session).contains(dataControl));
}
