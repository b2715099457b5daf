#include "gridmodel.h"
#include "listfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#ifndef SBXTOOL_PATH
#error "SBXTOOL_PATH must name the sbxtool executable"
#endif

using ListFile::Contents;
using ListFile::Status;

namespace {

const QString CrLf = QStringLiteral("\r\n");

QImage solid(QColor c, QSize s = QSize(8, 8))
{
    QImage img(s, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// A list as the program makes it: items on top (every kind, a named one), empty rows below,
// one row enlarged, and a layout that differs from the defaults.
Contents sampleList(int rows)
{
    Contents c;
    c.rows.resize(rows);
    c.rows[0] = {QStringLiteral("Text"),
                 {QStringLiteral("first line") + CrLf + QStringLiteral("second line"), QString(),
                  QStringLiteral("first line") + CrLf + QStringLiteral("second line")},
                 1020};
    c.rows[1] = {QStringLiteral("RTF"),
                 {QStringLiteral("bold"),
                  QStringLiteral("{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Arial;}\\b bold\\b0\\par\r\n}"),
                  QStringLiteral("bold")},
                 235};
    c.rows[2] = {QStringLiteral("Bitmap"),
                 {QStringLiteral("IMAGE"), QStringLiteral("1234567890123456789"), QStringLiteral("120626165347")},
                 235};
    // A named item: the name shown as label, two lines, with an arrow in it.
    c.rows[3] = {
        QStringLiteral("Text"),
        {QStringLiteral("My name") + CrLf + QStringLiteral("--> second"), QString(), QStringLiteral("the text itself")},
        235};
    c.rows[rows - 1] = {QString(), {QString(), QString(), QString()}, 1020};
    c.width = 4100;
    c.colWidth = {3800, 0, 17};
    c.gridLines = 0;
    c.editable = 2;
    return c;
}

// Hand-made bytes in the documented layout, for files our writer would never produce.
struct Bytes
{
    QByteArray b;

    template <typename T> Bytes& num(T v)
    {
        char buf[sizeof(T)];
        qToLittleEndian<T>(v, buf);
        b.append(buf, qsizetype(sizeof(T)));
        return *this;
    }
    Bytes& raw(const QByteArray& bytes)
    {
        b += bytes;
        return *this;
    }
    Bytes& text(const QString& s)
    {
        num(quint64(s.size() * 2));
        for (QChar c : s)
            num(quint16(c.unicode()));
        return *this;
    }
};

QByteArray header(quint16 major = 1, quint16 minor = 0)
{
    return Bytes().raw(QByteArray("SBXLIST", 8)).num(major).num(minor).b;
}

QByteArray record(const char* tag, const QByteArray& payload)
{
    return Bytes().raw(QByteArray(tag, 4)).num(quint64(payload.size())).raw(payload).b;
}

QByteArray layout(qint32 width = 3200, qint32 gridLines = 1, const QByteArray& extra = {})
{
    return record(
        "LAYT",
        Bytes().num(width).num(qint32(2900)).num(qint32(0)).num(qint32(0)).num(gridLines).num(qint32(0)).raw(extra).b);
}

QByteArray row(qint32 height, const QString& kind, const QString& label, const QByteArray& extra = {})
{
    const QByteArray body = Bytes().num(height).text(kind).text(label).text(QString()).text(label).raw(extra).b;
    return Bytes().num(quint64(body.size())).raw(body).b;
}

QByteArray rows(quint32 count, const QByteArray& rowRecords, const QByteArray& extra = {})
{
    return record("ROWS", Bytes().num(count).raw(rowRecords).raw(extra).b);
}

QByteArray endRecord()
{
    return record("END ", {});
}

QByteArray minimalFile()
{
    return header() + layout() + rows(1, row(235, QStringLiteral("Text"), QStringLiteral("hi"))) + endRecord();
}

// Contents no file can hold, so that "untouched" is visible.
Contents sentinel()
{
    Contents c;
    c.rows.resize(1);
    c.rows[0].kind = QStringLiteral("untouched");
    c.width = 7;
    return c;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(SBXTOOL_PATH), args);
    ToolRun run;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        return run;
    }
    if (p.exitStatus() == QProcess::NormalExit)
        run.exitCode = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

} // namespace

class TestListFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTripsTheList_data();
    void roundTripsTheList();
    void gridSavedAndLoadedComesBack();
    void keepsEveryStringExactly();
    void hugeTextCellRoundTrips();
    void refusesEveryTruncation();
    void refusesOtherFilesAndNewerVersions();
    void refusesAbsurdCountsAndLengths_data();
    void refusesAbsurdCountsAndLengths();
    void readsWhatLaterVersionsAdd();
    void sessionCopyReadsOnlyItsOwnSideFiles();
    void refusesHugeAndSpecialFiles();
    void writesPrivatelyAndAtomically();
    void toolShowsItemsAndPictures();
    void toolRefusesUnsafePictureNames();
    void toolReportsErrorsAndUsage();
};

void TestListFile::roundTripsTheList_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::newRow("20 rows") << 20;
    QTest::newRow("100 rows") << 100;
}

void TestListFile::roundTripsTheList()
{
    QFETCH(int, rowCount);
    const Contents list = sampleList(rowCount);

    Contents back;
    QCOMPARE(ListFile::decode(ListFile::encode(list), &back), Status::Ok);
    QCOMPARE(back.rows.size(), rowCount);
    // What the capture checks a new item against before it takes it.
    QCOMPARE(ListFile::encodedSize(list), ListFile::encode(list).size());
    QVERIFY(back == list);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.sbx"));
    QCOMPARE(ListFile::write(path, list), Status::Ok);
    Contents fromFile;
    QCOMPARE(ListFile::read(path, &fromFile), Status::Ok);
    QVERIFY(fromFile == list);

    // An empty list is a list too.
    Contents empty;
    QCOMPARE(ListFile::decode(ListFile::encode(empty), &back), Status::Ok);
    QVERIFY(back == empty);

    // Values the reader would refuse are written clamped, so that what was written can be read.
    Contents odd = list;
    odd.rows[1].height = -5;
    odd.width = -1;
    odd.gridLines = 300;
    odd.editable = 7;
    QCOMPARE(ListFile::decode(ListFile::encode(odd), &back), Status::Ok);
    QCOMPARE(back.rows[1].height, 0);
    QCOMPARE(back.width, 0);
    QCOMPARE(back.gridLines, 255);
    QCOMPARE(back.editable, 2);
}

void TestListFile::gridSavedAndLoadedComesBack()
{
    GridModel saved;
    ListFile::applyToGrid(sampleList(20), saved);
    saved.setCellPicture(2, 1, Picture::fromImage(solid(Qt::red)));
    saved.setCellPicture(0, 0, Picture::fromImage(solid(Qt::blue)));
    const Contents fromGrid = ListFile::fromGrid(saved);
    QVERIFY(fromGrid == sampleList(20));

    // The list being replaced is bigger, holds other items and pictures, and another layout.
    GridModel loaded;
    loaded.setRows(100);
    for (int r = 0; r < 100; ++r) {
        loaded.setRowData(r, QStringLiteral("Bitmap"));
        loaded.setTextMatrix(r, 1, QStringLiteral("old"));
        loaded.setCellPicture(r, 0, Picture::fromImage(solid(Qt::green)));
        loaded.setCellPicture(r, 1, Picture::fromImage(solid(Qt::green)));
        loaded.setRowHeight(r, 1020);
    }
    loaded.setGridLines(1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grid.sbx"));
    QCOMPARE(ListFile::write(path, fromGrid), Status::Ok);
    Contents read;
    QCOMPARE(ListFile::read(path, &read), Status::Ok);
    ListFile::applyToGrid(read, loaded);

    QCOMPARE(loaded.rows(), 20);
    QVERIFY(ListFile::fromGrid(loaded) == fromGrid);
    QCOMPARE(loaded.textMatrix(1, 1), saved.textMatrix(1, 1));
    QCOMPARE(loaded.rowData(5), QString());
    QCOMPARE(loaded.textMatrix(5, 1), QString());
    QCOMPARE(loaded.rowHeight(5), 235);
    QCOMPARE(loaded.gridLines(), 0);
    QCOMPARE(loaded.editable(), 2);
    QCOMPARE(loaded.width(), 4100);
    QCOMPARE(loaded.colWidth(0), 3800);
    for (int r = 0; r < loaded.rows(); ++r)
        for (int col = 0; col < GridModel::Columns; ++col)
            QVERIFY2(loaded.cellPicture(r, col).isNull(),
                     qPrintable(QStringLiteral("picture left in %1,%2").arg(r).arg(col)));
}

void TestListFile::keepsEveryStringExactly()
{
    const QList<QString> strings{
        QString(QChar(0xD800)),                                                    // lone high surrogate
        QString(QChar(0xDC00)) + QStringLiteral("x"),                              // lone low surrogate
        QString(QChar(0xDC00)) + QChar(0xD800),                                    // a pair in the wrong order
        QStringLiteral("a") + QChar(0xD83D) + QChar(0xDE00) + QStringLiteral("b"), // a real pair
        QString(3, QChar(0)),                                                      // NULs only
        QString(QChar(0xFEFF)) + QChar(0xFFFE) + QChar(0xFFFF),
        QStringLiteral("\r\n\r\r\n\n\t\x1b[31m"),
        QStringLiteral("Grüße, Ελληνικά, 日本語, עברית\u202e"),
        QString(QChar(0x00FF)) + QChar(0xFF00) + QChar(0x0100), // byte order shows in these
    };
    Contents c;
    for (const QString& s : strings)
        c.rows.append({s, {s, s + s, QString(s).repeated(3)}, 235});

    // QString compares code unit by code unit, so this is the exact test.
    Contents back;
    QCOMPARE(ListFile::decode(ListFile::encode(c), &back), Status::Ok);
    QVERIFY(back == c);
}

void TestListFile::hugeTextCellRoundTrips()
{
    // 100 million characters with line breaks and characters whose bytes differ.
    const QString chunk = QStringLiteral("line of text \u00e9\u20ac\r\n");
    const qsizetype wanted = 100'000'000;
    QString big = chunk.repeated(wanted / chunk.size() + 1);
    big.truncate(wanted);

    Contents c = sampleList(20);
    c.rows[0].text[2] = big;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.sbx"));
    QCOMPARE(ListFile::write(path, c), Status::Ok);
    QVERIFY(QFileInfo(path).size() > wanted * 2);

    Contents back;
    QCOMPARE(ListFile::read(path, &back), Status::Ok);
    QCOMPARE(back.rows[0].text[2].size(), wanted);
    QVERIFY(back.rows[0].text[2] == big);
    back.rows[0].text[2].clear();
    c.rows[0].text[2].clear();
    QVERIFY(back == c);
}

void TestListFile::refusesEveryTruncation()
{
    const QByteArray whole = ListFile::encode(sampleList(20));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.sbx"));
    for (qsizetype n = 0; n < whole.size(); ++n) {
        Contents out = sentinel();
        const Status s = ListFile::decode(whole.left(n), &out);
        QVERIFY2(s == Status::Damaged, qPrintable(QStringLiteral("prefix of %1 bytes gave %2").arg(n).arg(int(s))));
        QVERIFY(out == sentinel());

        // Through a file as well, at every length.
        QVERIFY(writeBytes(path, whole.left(n)));
        QCOMPARE(ListFile::read(path, &out), Status::Damaged);
        QVERIFY(out == sentinel());
    }
    Contents out;
    QCOMPARE(ListFile::decode(whole, &out), Status::Ok);
}

void TestListFile::refusesOtherFilesAndNewerVersions()
{
    Contents out = sentinel();
    QCOMPARE(ListFile::decode(QByteArray("hello, this is a text file\n"), &out), Status::NotAListFile);
    // Only the start of the magic: a list file cut short rather than some other file.
    QCOMPARE(ListFile::decode(QByteArray("SBX"), &out), Status::Damaged);
    QCOMPARE(ListFile::decode(QByteArray("XBX"), &out), Status::NotAListFile);
    QByteArray wrongMagic = minimalFile();
    wrongMagic[7] = 'X';
    QCOMPARE(ListFile::decode(wrongMagic, &out), Status::NotAListFile);

    const QByteArray body = layout() + rows(1, row(235, QStringLiteral("Text"), QStringLiteral("hi"))) + endRecord();
    QCOMPARE(ListFile::decode(header(3, 0) + body, &out), Status::NewerVersion);
    // A newer major version is refused whatever follows: its layout may be anything.
    QCOMPARE(ListFile::decode(header(0xFFFF, 0) + QByteArray("anything"), &out), Status::NewerVersion);
    QCOMPARE(ListFile::decode(header(0, 0) + body, &out), Status::Damaged);
    QVERIFY(out == sentinel());

    QCOMPARE(ListFile::decode(header(1, 0) + body, &out), Status::Ok);
    QCOMPARE(out.rows.size(), 1);
    QCOMPARE(out.rows[0].text[0], QStringLiteral("hi"));

    // Every outcome has its own sentence.
    QSet<QString> sentences;
    for (Status s : {Status::Ok, Status::CannotOpen, Status::NotAListFile, Status::NewerVersion, Status::Damaged,
                     Status::CannotWrite})
        sentences.insert(ListFile::describe(s));
    QCOMPARE(sentences.size(), 6);
}

void TestListFile::refusesAbsurdCountsAndLengths_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray h = header();
    const QByteArray lay = layout();
    const QByteArray oneRow = row(235, QStringLiteral("Text"), QStringLiteral("hi"));
    const QByteArray end = endRecord();

    QTest::newRow("row count 2^31") << h + lay + rows(0x80000000u, oneRow) + end;
    QTest::newRow("row count 2^32-1") << h + lay + rows(0xFFFFFFFFu, oneRow) + end;
    QTest::newRow("row count above the limit")
        << h + lay + rows(quint32(ListFile::MaxRows + 1), oneRow.repeated(ListFile::MaxRows + 1)) + end;
    QTest::newRow("more rows counted than present") << h + lay + rows(2, oneRow) + end;

    // A text claiming 4 GB in a file of about a hundred bytes.
    const QByteArray hugeText = Bytes().num(qint32(235)).num(quint64(0xFFFFFFFFull)).b;
    QTest::newRow("text length 4 GB") << h + lay + rows(1, Bytes().num(quint64(hugeText.size())).raw(hugeText).b) + end;
    QTest::newRow("text length 4 GB, row length too")
        << h + lay + rows(1, Bytes().num(quint64(0xFFFFFFFFull)).raw(hugeText).b) + end;
    const QByteArray maxText = Bytes().num(qint32(235)).num(~quint64(0)).b;
    QTest::newRow("text length 2^64-1") << h + lay + rows(1, Bytes().num(quint64(maxText.size())).raw(maxText).b) + end;
    // The row's own length is right and the file holds enough bytes after it: only the row's end
    // stops a text that claims more than the row holds (an even length, so no other check does).
    const QByteArray longText = Bytes().num(qint32(235)).num(quint64(64)).raw("abcd").b;
    QTest::newRow("text longer than its row")
        << h + lay + rows(2, Bytes().num(quint64(longText.size())).raw(longText).b + oneRow.repeated(4)) + end;
    const QByteArray oddText = Bytes().num(qint32(235)).num(quint64(3)).raw("abcd").text({}).text({}).text({}).b;
    QTest::newRow("odd text length") << h + lay + rows(1, Bytes().num(quint64(oddText.size())).raw(oddText).b) + end;

    QTest::newRow("record length 2^63") << h + Bytes().raw("LAYT").num(quint64(1) << 63).b + lay + end;
    QTest::newRow("record length 2^64-1") << h + Bytes().raw("ZZZZ").num(~quint64(0)).b + end;
    QTest::newRow("row length past its record")
        << h + lay + rows(1, Bytes().num(quint64(1000)).raw(oneRow.mid(8)).b) + end;
    QTest::newRow("row too short for its fields")
        << h + lay + rows(1, Bytes().num(quint64(6)).raw(oneRow.mid(8, 6)).b) + end;
    QTest::newRow("layout too short") << h + record("LAYT", Bytes().num(qint32(3200)).b) + rows(1, oneRow) + end;

    QTest::newRow("negative height") << h + lay + rows(1, row(-1, QStringLiteral("Text"), QStringLiteral("x"))) + end;
    QTest::newRow("absurd height") << h + lay
            + rows(1, row(ListFile::MaxTwips + 1, QStringLiteral("Text"), QStringLiteral("x"))) + end;
    QTest::newRow("negative width") << h + layout(-5) + rows(1, oneRow) + end;
    QTest::newRow("unknown grid line style") << h + layout(3200, 256) + rows(1, oneRow) + end;

    QTest::newRow("no layout") << h + rows(1, oneRow) + end;
    QTest::newRow("no rows") << h + lay + end;
    QTest::newRow("rows twice") << h + lay + rows(1, oneRow) + rows(1, oneRow) + end;
    QTest::newRow("layout twice") << h + lay + lay + rows(1, oneRow) + end;
    QTest::newRow("no end") << h + lay + rows(1, oneRow);
    QTest::newRow("bytes after the end") << h + lay + rows(1, oneRow) + end + QByteArray(1, '\0');
    QTest::newRow("second end") << h + lay + rows(1, oneRow) + end + end;
}

void TestListFile::refusesAbsurdCountsAndLengths()
{
    QFETCH(QByteArray, bytes);
    Contents out = sentinel();
    QCOMPARE(ListFile::decode(bytes, &out), Status::Damaged);
    QVERIFY(out == sentinel());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.sbx"));
    QVERIFY(writeBytes(path, bytes));
    QCOMPARE(ListFile::read(path, &out), Status::Damaged);
    QVERIFY(out == sentinel());
}

void TestListFile::readsWhatLaterVersionsAdd()
{
    // A later minor version: extra fields at the end of the layout, of a row and of the rows
    // record, and records this build does not know, before and after the rows.
    const QByteArray future = header(1, 9) + record("NOTE", QByteArray("something new"))
        + layout(5000, 1, QByteArray(12, '\x7f'))
        + rows(2,
               row(1020, QStringLiteral("RTF"), QStringLiteral("kept"), QByteArray("row extra"))
                   + row(235, QString(), QString()),
               QByteArray("list extra"))
        + record("PICS", QByteArray(40, 'p')) + record("END ", QByteArray("checksum?"));
    Contents out;
    QCOMPARE(ListFile::decode(future, &out), Status::Ok);
    QCOMPARE(out.width, 5000);
    QCOMPARE(out.rows.size(), 2);
    QCOMPARE(out.rows[0].kind, QStringLiteral("RTF"));
    QCOMPARE(out.rows[0].text[0], QStringLiteral("kept"));
    QCOMPARE(out.rows[0].text[2], QStringLiteral("kept"));
    QCOMPARE(out.rows[0].height, 1020);
    QCOMPARE(out.rows[1].kind, QString());

    // What this build writes is exactly the documented layout.
    const Contents one = [] {
        Contents c;
        c.rows.append({QStringLiteral("Text"), {QStringLiteral("hi"), QString(), QStringLiteral("hi")}, 235});
        return c;
    }();
    QCOMPARE(ListFile::encode(one), minimalFile());
}

void TestListFile::sessionCopyReadsOnlyItsOwnSideFiles()
{
    QTemporaryDir dir;
    const QString list = dir.filePath("session.sbt");
    QVERIFY(QDir().mkpath(list + "_Data"));
    Contents c = sampleList(20);
    const QString text(ListFile::SideTextMinChars, QChar(0x263A));
    c.rows[4] = {QStringLiteral("Text"), {"label\r\n-->" + text, QString(), text}, 235};
    // Every long cell names the side file `name`; the test writes (or plants) it.
    QString name = "side";
    const auto encodeNaming = [&] {
        return ListFile::encodeSession(c, [&](const QString& cell, ListFile::SideText* side) {
            *side = {name, cell.size() - text.size(), true};
            return true;
        });
    };
    const auto writeBytes = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(writeBytes(list, encodeNaming()));
    QVERIFY(writeBytes(list + "_Data/side", text.toUtf8()));
    Contents out;
    QHash<QString, QString> sides;
    QCOMPARE(ListFile::read(list, &out, &sides), Status::Ok);
    QVERIFY(out == c);
    QCOMPARE(sides.keys(), QStringList{"side"});
    // The text is the side text read, not a copy of it.
    QCOMPARE(out.rows[4].text[2].constData(), sides["side"].constData());

    // A side file cut short, missing, a link, or a name leading out of the folder: the list is damaged.
    QVERIFY(writeBytes(list + "_Data/side", text.left(10).toUtf8()));
    QCOMPARE(ListFile::read(list, &out), Status::Damaged);
    QVERIFY(QFile::remove(list + "_Data/side"));
    QCOMPARE(ListFile::read(list, &out), Status::Damaged);
    QVERIFY(writeBytes(dir.filePath("outside"), text.toUtf8()));
    QVERIFY(QFile::link(dir.filePath("outside"), list + "_Data/side"));
    QCOMPARE(ListFile::read(list, &out), Status::Damaged);
    name = "../outside";
    QVERIFY(writeBytes(list, encodeNaming()));
    QCOMPARE(ListFile::read(list, &out), Status::Damaged);
    // Without a folder to read them from, side texts cannot be had.
    QCOMPARE(ListFile::decode(encodeNaming(), &out), Status::Damaged);
    QVERIFY(out == c);
}

void TestListFile::refusesHugeAndSpecialFiles()
{
    QTemporaryDir dir;
    Contents out = sentinel();

    // Larger than any list file may be (sparse, so it costs no disk): refused before reading.
    const QString huge = dir.filePath(QStringLiteral("huge.sbx"));
    {
        QFile f(huge);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write(minimalFile()) > 0);
        QVERIFY(f.resize(ListFile::MaxFileBytes + 1));
    }
    QCOMPARE(ListFile::read(huge, &out), Status::Damaged);

    QCOMPARE(ListFile::read(dir.filePath(QStringLiteral("missing.sbx")), &out), Status::CannotOpen);
    QCOMPARE(ListFile::read(dir.path(), &out), Status::CannotOpen);
    // A FIFO would block a reader that opened it; it must be refused without waiting.
    const QString fifo = dir.filePath(QStringLiteral("fifo.sbx"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(ListFile::read(fifo, &out), Status::CannotOpen);
    QVERIFY(out == sentinel());
}

void TestListFile::writesPrivatelyAndAtomically()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.sbx"));
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    auto mode = [](const QString& p) {
        struct stat st
        { };
        return ::stat(QFile::encodeName(p).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    };

    QCOMPARE(ListFile::write(path, sampleList(20)), Status::Ok);
    QCOMPARE(mode(path), 0600);

    // Replacing a file that others could read does not keep its permissions.
    QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QCOMPARE(mode(path), 0644);
    QCOMPARE(ListFile::write(path, sampleList(100)), Status::Ok);
    QCOMPARE(mode(path), 0600);
    Contents out;
    QCOMPARE(ListFile::read(path, &out), Status::Ok);
    QCOMPARE(out.rows.size(), 100);

    QCOMPARE(ListFile::write(dir.filePath(QStringLiteral("no/such/folder/list.sbx")), sampleList(20)),
             Status::CannotWrite);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("no"))));

    QFile previous(path);
    QVERIFY(previous.open(QIODevice::ReadOnly));
    const QByteArray before = previous.readAll();
    previous.close();

    // A list the reader would refuse is never written.
    Contents tooMany;
    tooMany.rows.resize(ListFile::MaxRows + 1);
    QCOMPARE(ListFile::write(path, tooMany), Status::CannotWrite);

    // The disk refuses the bytes half way (a file size limit works even for root): the previous
    // file must stay as it was, and nothing half-written may be left beside it.
    Contents large = sampleList(20);
    large.rows[0].text[2] = QString(100000, QLatin1Char('z'));
    struct rlimit old
    { };
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit low = old;
    low.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &low), 0);
    const Status failed = ListFile::write(path, large);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(failed, Status::CannotWrite);

    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("list.sbx")});
}

void TestListFile::toolShowsItemsAndPictures()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.sbx"));
    Contents c = sampleList(20);
    c.rows[4] = {QStringLiteral("Text"),
                 {QString(1000, QLatin1Char('w')) + QStringLiteral("END"), QString(), QStringLiteral("esc\x1b[2J")},
                 235};
    c.rows[5] = {
        QStringLiteral("Bitmap"), {QStringLiteral("IMAGE"), QStringLiteral("42"), QStringLiteral("010203040506")}, 235};
    QCOMPARE(ListFile::write(path, c), Status::Ok);
    QVERIFY(QDir().mkpath(path + QStringLiteral("_Data")));
    QVERIFY(solid(Qt::red, QSize(31, 17)).save(path + QStringLiteral("_Data/120626165347"), "BMP"));

    const ToolRun text = runTool({path});
    QCOMPARE(text.exitCode, 0);
    const QString shown = QString::fromUtf8(text.out);
    QVERIFY2(shown.contains(QStringLiteral("first line\\r\\nsecond line")), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("My name\\r\\n--> second")));
    QVERIFY(shown.contains(QStringLiteral("{\\\\rtf1")));
    QVERIFY(shown.contains(QStringLiteral("Items: 6")));
    QVERIFY(shown.contains(QStringLiteral("[shortened; 1003 characters in all]")));
    QVERIFY(!shown.contains(QStringLiteral("wwwEND")));
    QVERIFY(shown.contains(QStringLiteral("esc\\u{001B}[2J")));
    QVERIFY(!text.out.contains('\x1b'));
    QVERIFY(shown.contains(QStringLiteral("120626165347: exists, 31 x 17 pixels")));
    QVERIFY(shown.contains(QStringLiteral("010203040506: missing")));
    QVERIFY(!shown.contains(QStringLiteral("Row 19")));

    const ToolRun json = runTool({QStringLiteral("--json"), path});
    QCOMPARE(json.exitCode, 0);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject top = doc.object();
    QCOMPARE(top.value(QStringLiteral("rowCount")).toInt(), 20);
    QCOMPARE(top.value(QStringLiteral("itemCount")).toInt(), 6);
    QCOMPARE(top.value(QStringLiteral("layout")).toObject().value(QStringLiteral("width")).toInt(), 4100);
    const QJsonArray jrows = top.value(QStringLiteral("rows")).toArray();
    QCOMPARE(jrows.size(), 20);
    QCOMPARE(jrows[0].toObject().value(QStringLiteral("height")).toInt(), 1020);
    // Texts in full, not shortened as in the text output.
    QCOMPARE(jrows[1].toObject().value(QStringLiteral("data")).toString(), c.rows[1].text[1]);
    QCOMPARE(jrows[4].toObject().value(QStringLiteral("label")).toString(), c.rows[4].text[0]);
    const QJsonObject bitmap = jrows[2].toObject();
    QCOMPARE(bitmap.value(QStringLiteral("kind")).toString(), QStringLiteral("Bitmap"));
    QCOMPARE(bitmap.value(QStringLiteral("pictureExists")).toBool(), true);
    QCOMPARE(bitmap.value(QStringLiteral("pictureFile")).toString(),
             QFileInfo(path).absoluteFilePath() + QStringLiteral("_Data/120626165347"));
    QCOMPARE(bitmap.value(QStringLiteral("pictureWidth")).toInt(), 31);
    QCOMPARE(jrows[5].toObject().value(QStringLiteral("pictureExists")).toBool(), false);
    QCOMPARE(jrows[19].toObject().value(QStringLiteral("kind")).toString(), QString());
}

void TestListFile::toolRefusesUnsafePictureNames()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("evil.sbx"));
    // Files a crafted name would reach if it were followed.
    QVERIFY(solid(Qt::red).save(dir.filePath(QStringLiteral("secret")), "BMP"));
    QVERIFY(QDir().mkpath(path + QStringLiteral("_Data")));
    const QStringList names{QStringLiteral("../secret"),
                            dir.filePath(QStringLiteral("secret")),
                            QStringLiteral(".."),
                            QStringLiteral("."),
                            QStringLiteral("a\\b"),
                            QStringLiteral("x") + QChar(0) + QStringLiteral("y"),
                            QString()};
    Contents c;
    for (const QString& name : names)
        c.rows.append({QStringLiteral("Bitmap"), {QStringLiteral("IMAGE"), QStringLiteral("1"), name}, 235});
    QCOMPARE(ListFile::write(path, c), Status::Ok);

    const ToolRun text = runTool({path});
    QCOMPARE(text.exitCode, 0);
    const QString shown = QString::fromUtf8(text.out);
    QCOMPARE(shown.count(QStringLiteral("unsafe picture name")), names.size());
    QVERIFY2(!shown.contains(QStringLiteral("exists")), qPrintable(shown));

    const ToolRun json = runTool({QStringLiteral("--json"), path});
    QCOMPARE(json.exitCode, 0);
    const QJsonArray jrows = QJsonDocument::fromJson(json.out).object().value(QStringLiteral("rows")).toArray();
    QCOMPARE(jrows.size(), names.size());
    for (const QJsonValue& v : jrows) {
        const QJsonObject o = v.toObject();
        QVERIFY(o.value(QStringLiteral("pictureFile")).isNull());
        QCOMPARE(o.value(QStringLiteral("pictureExists")).toBool(), false);
        QCOMPARE(o.value(QStringLiteral("pictureNote")).toString(), QStringLiteral("unsafe picture name"));
    }
}

void TestListFile::toolReportsErrorsAndUsage()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.sbx"));
    ToolRun run = runTool({missing});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(QString::fromUtf8(run.err).contains(ListFile::describe(Status::CannotOpen)), run.err.constData());

    const QString cut = dir.filePath(QStringLiteral("cut.sbx"));
    QVERIFY(writeBytes(cut, minimalFile().chopped(3)));
    run = runTool({QStringLiteral("--json"), cut});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY(QString::fromUtf8(run.err).contains(ListFile::describe(Status::Damaged)));

    const QString other = dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(writeBytes(other, "just some notes\n"));
    run = runTool({other});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(QString::fromUtf8(run.err).contains(ListFile::describe(Status::NotAListFile)));

    QCOMPARE(runTool({}).exitCode, 2);
    QCOMPARE(runTool({cut, other}).exitCode, 2);
    run = runTool({QStringLiteral("--frobnicate"), cut});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("Usage: sbxtool"));
    run = runTool({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("Usage: sbxtool"));

    // A file whose name starts with a dash is still a file after "--".
    const QString dashed = dir.filePath(QStringLiteral("-list.sbx"));
    QCOMPARE(ListFile::write(dashed, sampleList(20)), Status::Ok);
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    run = runTool({QStringLiteral("--"), QStringLiteral("-list.sbx")});
    QDir::setCurrent(oldCurrent);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("Items: 4"));
}

QTEST_MAIN(TestListFile)
#include "tst_listfile.moc"
