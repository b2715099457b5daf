#include "appfolder.h"
#include "datafiles.h"
#include "frmtrove.h"
#include "isolatedhome.h"
#include "listfile.h"
#include "optionspage.h"
#include "profilefile.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"
#include "testpictures.h"

#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QImage picture(int seed, QSize size = QSize(40, 24))
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7 + seed) & 0xff, (y * 11 + seed * 3) & 0xff, seed & 0xff));
    return img;
}

// The main window over a folder of its own, as the program runs it.
struct Program
{
    QString folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    std::unique_ptr<frmTrove> w;

    explicit Program(const QString& f, bool welcomed = true)
        : folder(f)
    {
        if (welcomed) {
            QFile marker(folder + "/" + AppFolder::userName() + ".welcomed");
            marker.open(QIODevice::WriteOnly);
        }
        w = std::make_unique<frmTrove>(clipboard, dialogs, folder);
        w->load();
    }
    GridModel& grid() { return w->gridModel(); }
    DataFiles& files() { return w->dataFiles(); }
    void copyText(const QString& t) { clipboard.copy({{"text/plain", t.toUtf8()}}); }
    void copyRtf(const QByteArray& rtf, const QString& t)
    {
        clipboard.copy({{"text/rtf", rtf}, {"text/plain", t.toUtf8()}});
    }
    void copyPicture(int seed) { clipboard.copy({{"image/png", png(picture(seed))}}); }
    void setting(const QString& key, const QString& value)
    {
        QVERIFY(ProfileFile::write(w->settingsPath(), "SBOptions", key, value));
    }
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A list of 20 rows with the given rows filled.
ListFile::Contents listWith(const QMap<int, ListFile::Row>& filled)
{
    ListFile::Contents c;
    c.rows.resize(20);
    for (auto it = filled.begin(); it != filled.end(); ++it)
        c.rows[it.key()] = it.value();
    return c;
}

ListFile::Row bitmapRow(const QString& name)
{
    return {"Bitmap", {"IMAGE", "1", name}, 235};
}

// Files larger than `bytes` cannot be written by this process while it lives (EFBIG): a disk that
// is full for everything but small files.
struct WriteLimit
{
    explicit WriteLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~WriteLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
};

qint64 folderBytes(const QString& path)
{
    qint64 total = 0;
    for (const QFileInfo& f : QDir(path).entryInfoList(QDir::Files | QDir::Hidden))
        total += f.size();
    return total;
}

QStringList kinds(GridModel& g)
{
    QStringList out;
    for (int r = 0; r < g.rows(); ++r)
        out << g.rowData(r);
    return out;
}
} // namespace

class TestDataFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { isolateHome(); }
    void saveAndOpenEveryKind();
    void openAcrossLimits();
    void emptyListHasNoPictureFolder();
    void missingPictureStillCounts();
    void samesecondPicturesKeepTheirOwnFiles();
    void unsafePictureNamesAreNeverFollowed();
    void openFailureKeepsTheList();
    void autosaveCarriesTheList();
    void autosaveNotRestoredWhenOff();
    void sessionCopyOutlivesAKill();
    void unreadableAutosaveIsKeptAside();
    void longTextsLieBesideTheSessionCopy();
    void failedWritesAreRetriedAndReported();
    void damagedSessionCopyFallsBackAndTells();
    void startupFile();
    void listWithGapsOpensAsConsecutiveRows();
    void hostileFilesDoNotStopStartOrOpen();
    void filesOfOthersAndLinksAreRefused();
    void leftoverPicturesGoWhenTheAutosaveIsWritten();
};

void TestDataFiles::saveAndOpenEveryKind()
{
    QTemporaryDir dir;
    Program p(dir.path());
    p.copyText("line one\r\nline two");
    p.copyRtf("{\\rtf1\\ansi {\\b bold}\\par next}", "bold\r\nnext");
    p.copyPicture(1);
    p.copyText("named");
    p.grid().select(0, 0);
    p.w->items().menuAction(ItemInteraction::EditItemName);
    p.w->items().setNameBoxText("My name");
    p.w->items().nameBoxKeyUp(13);
    QCOMPARE(p.grid().textMatrix(0, 0), QString("My name\r\n-->named"));

    const QString file = dir.filePath("my list.sbx");
    p.dialogs.files.enqueue(" " + file + " ");
    QTest::mouseClick(p.w->Command3(), Qt::LeftButton);
    const DialogsPort::FileRequest save = p.dialogs.fileRequests.last();
    QCOMPARE(save.title, QString("Save Stashbox Data"));
    QCOMPARE(save.actionCaption, QString("Save"));
    QCOMPARE(save.filter, QString("Stashbox Data Files|*.sbx|"));
    QVERIFY(save.save);
    QVERIFY(QFile::exists(file));
    QCOMPARE(QFile::permissions(file) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
    const QString pictureName = p.grid().textMatrix(1, 2);
    QVERIFY(QFile::exists(file + "_Data/" + pictureName));
    QCOMPARE(QDir(file + "_Data").entryList(QDir::Files).size(), 1);

    // Open into another program: the same list, pictures included.
    QTemporaryDir other;
    Program q(other.path());
    q.copyText("will be replaced");
    q.dialogs.files.enqueue(file);
    QTest::mouseClick(q.w->Command4(), Qt::LeftButton);
    QCOMPARE(q.dialogs.fileRequests.last().title, QString("Open Stashbox Data"));
    QCOMPARE(q.w->store().itemCount(), 4);
    QCOMPARE(q.w->lblItemCount()->text(), QString("4  ITEMS"));
    for (int r = 0; r < 20; ++r) {
        QCOMPARE(q.grid().rowData(r), p.grid().rowData(r));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(q.grid().textMatrix(r, c), p.grid().textMatrix(r, c));
    }
    QCOMPARE(q.grid().cellPicture(1, 1).image().convertToFormat(QImage::Format_RGB32), picture(1));
    QVERIFY(q.grid().cellPicture(1, 0).sharesDataWith(q.w->pictures().small.bitmap));
    QVERIFY(q.grid().cellPicture(2, 0).sharesDataWith(q.w->pictures().small.rtf));
    // The picture put back on the clipboard is the one captured.
    q.grid().select(1, 0);
    q.w->items().mouseDown(1, 0, 0, 0);
    QImage back;
    QVERIFY(back.loadFromData(q.clipboard.current.value("image/png")));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), picture(1));
}

void TestDataFiles::openAcrossLimits()
{
    QTemporaryDir dir;
    Program p(dir.path());
    p.setting("pro", "100");
    p.w->settings().LoadOptions();
    for (int i = 0; i < 30; ++i)
        p.copyText(QString("item %1").arg(i));
    const QString big = dir.filePath("big.sbx");
    QVERIFY(p.files().saveTo(big));

    QTemporaryDir otherDir;
    Program q(otherDir.path());
    q.dialogs.files.enqueue(big);
    q.files().Command4_Click();
    QCOMPARE(q.w->store().itemLimit(), 20);
    QCOMPARE(q.grid().rows(), 20);
    QCOMPARE(q.w->store().itemCount(), 20);
    QCOMPARE(q.grid().textMatrix(0, 2), QString("item 29"));

    const QString small = otherDir.filePath("small.sbx");
    QVERIFY(q.files().saveTo(small));
    p.dialogs.files.enqueue(small);
    p.files().Command4_Click();
    QCOMPARE(p.grid().rows(), 100);
    QCOMPARE(p.w->store().itemCount(), 20);
    QCOMPARE(p.grid().rowData(20), QString());
}

void TestDataFiles::emptyListHasNoPictureFolder()
{
    QTemporaryDir dir;
    Program p(dir.path());
    const QString file = dir.filePath("empty.sbx");
    QVERIFY(p.files().saveTo(file));
    QVERIFY(QFile::exists(file));
    QVERIFY(!QFileInfo::exists(file + "_Data"));
    ListFile::Contents c;
    QCOMPARE(ListFile::read(file, &c), ListFile::Status::Ok);
    QCOMPARE(c.rows.size(), 20);
}

void TestDataFiles::missingPictureStillCounts()
{
    QTemporaryDir dir;
    Program p(dir.path());
    p.copyPicture(3);
    p.copyText("text");
    const QString file = dir.filePath("x.sbx");
    QVERIFY(p.files().saveTo(file));
    QVERIFY(QDir(file + "_Data").removeRecursively());
    p.dialogs.files.enqueue(file);
    p.files().Command4_Click();
    QCOMPARE(p.w->store().itemCount(), 2);
    QCOMPARE(p.grid().rowData(1), QString("Bitmap"));
    QVERIFY(p.grid().cellPicture(1, 1).isNull());
    QVERIFY(p.grid().cellPicture(1, 0).sharesDataWith(p.w->pictures().small.bitmap));
}

void TestDataFiles::samesecondPicturesKeepTheirOwnFiles()
{
    QTemporaryDir dir;
    Program p(dir.path());
    // Three pictures within (almost certainly) one second.
    p.copyPicture(10);
    p.copyPicture(11);
    p.copyPicture(12);
    QSet<QString> names;
    for (int r = 0; r < 3; ++r)
        names.insert(p.grid().textMatrix(r, 2));
    QCOMPARE(names.size(), 3);
    const QString file = dir.filePath("three.sbx");
    QVERIFY(p.files().saveTo(file));
    QCOMPARE(QDir(file + "_Data").entryList(QDir::Files).size(), 3);
}

void TestDataFiles::unsafePictureNamesAreNeverFollowed()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("lists");
    const QString victim = dir.filePath("victim.txt");
    QFile v(victim);
    QVERIFY(v.open(QIODevice::WriteOnly));
    v.write("keep me");
    v.close();
    // A crafted list whose picture names point out of the picture folder.
    ListFile::Contents c;
    for (int i = 0; i < 20; ++i)
        c.rows.append(ListFile::Row{});
    c.rows[0] = ListFile::Row{"Bitmap", {"IMAGE", "1", "../../victim.txt"}, 235};
    c.rows[1] = ListFile::Row{"Bitmap", {"IMAGE", "2", "/etc/hostname"}, 235};
    c.rows[2] = ListFile::Row{"Text", {"fine", "", "fine"}, 235};
    Program p(dir.filePath("lists"));
    const QString autosave = p.files().autosavePath();
    QDir().mkpath(QFileInfo(autosave).path());
    QCOMPARE(ListFile::write(autosave, c), ListFile::Status::Ok);
    QVERIFY(p.files().restoreAutosave());
    QCOMPARE(p.w->store().itemCount(), 3);
    QVERIFY(p.grid().cellPicture(0, 1).isNull());
    QVERIFY(QFile::exists(victim));
    QVERIFY(QFile::exists("/etc/hostname"));
    // Saving such a list never writes outside its picture folder either.
    p.grid().setCellPicture(0, 1, Picture::compact(picture(5)));
    QVERIFY(!p.files().saveTo(dir.filePath("lists/out.sbx")));
    QFile again(victim);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), QByteArray("keep me"));
}

void TestDataFiles::openFailureKeepsTheList()
{
    QTemporaryDir dir;
    Program p(dir.path());
    p.copyText("kept");
    const QString bad = dir.filePath("bad.sbx");
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is not a list file at all");
    f.close();
    p.dialogs.messages.clear();
    p.dialogs.files.enqueue(bad);
    p.files().Command4_Click();
    QCOMPARE(p.w->store().itemCount(), 1);
    QCOMPARE(p.grid().textMatrix(0, 2), QString("kept"));
    QCOMPARE(p.dialogs.messages.size(), 1);
    QVERIFY(p.dialogs.messages[0].text.contains("bad.sbx"));
    // A cancelled dialog changes nothing and asks nothing more.
    p.files().Command4_Click();
    QCOMPARE(p.dialogs.messages.size(), 1);
    QCOMPARE(p.w->store().itemCount(), 1);
}

void TestDataFiles::autosaveCarriesTheList()
{
    QTemporaryDir dir;
    QString autosave;
    QStringList before;
    {
        Program p(dir.path());
        p.copyText("first");
        p.copyPicture(7);
        p.copyRtf("{\\rtf1 r}", "r");
        p.copyPicture(8);
        p.copyText("fifth");
        p.grid().select(2, 0);
        p.w->items().mouseDown(1, 0, 0, 0); // an expanded row
        before = kinds(p.grid());
        autosave = p.files().autosavePath();
        p.w->closeInOrder();
        QVERIFY(QFile::exists(autosave));
        QCOMPARE(QFile::permissions(QFileInfo(autosave).path()) & 0x0777,
                 QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
        QCOMPARE(QDir(autosave + "_Data").entryList(QDir::Files).size(), 2);
    }
    QCOMPARE(QFileInfo(autosave).path(), dir.filePath("{E098A55430BFFEE0816A628E}{" + AppFolder::userName() + "}"));
    Program again(dir.path());
    QCOMPARE(kinds(again.grid()), before);
    QCOMPARE(again.w->store().itemCount(), 5);
    for (int r = 0; r < 20; ++r)
        QCOMPARE(again.grid().rowHeight(r), 235);
    QCOMPARE(again.grid().cellPicture(1, 1).image().convertToFormat(QImage::Format_RGB32), picture(8));
    QCOMPARE(again.grid().cellPicture(3, 1).image().convertToFormat(QImage::Format_RGB32), picture(7));
    // What was read is gone; the folders stay.
    QVERIFY(!QFile::exists(autosave));
    QVERIFY(QDir(autosave + "_Data").entryList(QDir::Files).isEmpty());
    QVERIFY(QFileInfo(autosave + "_Data").isDir());
}

void TestDataFiles::autosaveNotRestoredWhenOff()
{
    QTemporaryDir dir;
    QString autosave;
    {
        Program p(dir.path());
        p.copyText("still written");
        QVERIFY(p.files().writeSession());
        QVERIFY(QFile::exists(p.files().sessionPath()));
        // Nothing comes back, so nothing is kept while it runs either: "-saveonexit" takes the
        // session copy away at once, "+saveonexit" brings it back without waiting for a copy.
        QTest::keyClicks(p.w->Options()->commandtext(), "-saveonexit");
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(p.files().sessionPath()), DataFiles::SessionDelayMs * 3);
        QTest::keyClicks(p.w->Options()->commandtext(), "+saveonexit");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(p.files().sessionPath()), DataFiles::SessionDelayMs * 3);
        QTest::keyClicks(p.w->Options()->commandtext(), "-saveonexit");
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(p.files().sessionPath()), DataFiles::SessionDelayMs * 3);
        autosave = p.files().autosavePath();
        p.w->closeInOrder();
    }
    QVERIFY(QFile::exists(autosave));
    Program again(dir.path());
    QCOMPARE(again.w->store().itemCount(), 0);
    QVERIFY(QFile::exists(autosave));
}

void TestDataFiles::sessionCopyOutlivesAKill()
{
    QTemporaryDir dir;
    QStringList before;
    QString session;
    {
        Program p(dir.path());
        session = p.files().sessionPath();
        p.copyPicture(3);
        QVERIFY(p.files().writeSession());
        // A new picture under the name of one the list on disk holds gets a file of its own, so that
        // list stays whole until the new one replaces it.
        const QString name = p.grid().textMatrix(0, 2);
        QVERIFY(p.w->store().deleteItem(0));
        p.copyPicture(4);
        p.grid().setTextMatrix(0, 2, name);
        p.copyText("last of a burst");
        ListFile::Contents onDisk;
        QTRY_VERIFY_WITH_TIMEOUT(ListFile::read(session, &onDisk) == ListFile::Status::Ok
                                     && onDisk.rows[0].text[2] == "last of a burst",
                                 DataFiles::SessionDelayMs * 3);
        QCOMPARE(onDisk.rows[1].text[2], name + "-2");
        QCOMPARE(QDir(session + "_Data").entryList(QDir::Files), QStringList{name + "-2"});
        before = kinds(p.grid());
    } // gone without closing, as after kill -9
    Program again(dir.path());
    QCOMPARE(kinds(again.grid()), before);
    QCOMPARE(again.grid().textMatrix(0, 2), QString("last of a burst"));
    QCOMPARE(again.grid().cellPicture(1, 1).image().convertToFormat(QImage::Format_RGB32), picture(4));
    QVERIFY(QFile::exists(session));
    // An orderly close leaves the autosave alone, as ever.
    again.w->closeInOrder();
    QVERIFY(!QFileInfo::exists(session));
    QVERIFY(!QFileInfo::exists(session + "_Data"));
    QVERIFY(QFile::exists(again.files().autosavePath()));
}

void TestDataFiles::unreadableAutosaveIsKeptAside()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("{E098A55430BFFEE0816A628E}{" + AppFolder::userName() + "}");
    QDir().mkpath(folder);
    QFile f(folder + "/temp.sbt");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("SBXLIST") + QByteArray(40, '\xff'));
    f.close();
    Program p(dir.path());
    QCOMPARE(p.w->store().itemCount(), 0);
    QVERIFY(!QFile::exists(folder + "/temp.sbt"));
    const QStringList aside = QDir(folder).entryList({"temp.sbt.unreadable-*"});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(QFileInfo(folder + "/" + aside[0]).size(), 47);
}

void TestDataFiles::longTextsLieBesideTheSessionCopy()
{
    QTemporaryDir dir;
    const QString a = QString(300000, QChar('a')) + "\r\nend of a";
    // A lone surrogate does not survive UTF-8: that text is kept as it is held.
    const QString b = QString(200000, QChar('b')) + QChar(0xD800) + QChar(0) + "end of b";
    QString session;
    QStringList filesBefore;
    {
        Program p(dir.path());
        session = p.files().sessionPath();
        p.copyText(a);
        p.grid().setTextMatrix(0, 0, QString(a.constData(), a.size())); // its label, the same text held apart
        p.w->store().addItem(ClipItem{"Text", b, {}, {}, b});
        p.grid().setTextMatrix(0, 0, "named\r\n-->" + b);
        QVERIFY(p.files().writeSession());
        // Each long text once, beside a small list.
        QVERIFY(QFileInfo(session).size() < 4096);
        filesBefore = QDir(session + "_Data").entryList(QDir::Files);
        QCOMPARE(filesBefore.size(), 2);
        QVERIFY(folderBytes(session + "_Data") < (a.size() + b.size() * 2) * 12 / 10);
        // A later change writes the list again, not the texts.
        const QDateTime written = QFileInfo(session + "_Data/" + filesBefore[0]).lastModified();
        p.copyText("short");
        QVERIFY(p.files().writeSession());
        QCOMPARE(QDir(session + "_Data").entryList(QDir::Files), filesBefore);
        QCOMPARE(QFileInfo(session + "_Data/" + filesBefore[0]).lastModified(), written);
        // Any reader of lists reads the session copy whole.
        ListFile::Contents onDisk;
        QCOMPARE(ListFile::read(session, &onDisk), ListFile::Status::Ok);
        QCOMPARE(onDisk.rows[1].text[0], "named\r\n-->" + b);
        QCOMPARE(onDisk.rows[2].text[2], a);
    } // gone without closing, as after kill -9
    {
        Program again(dir.path());
        QCOMPARE(again.w->store().itemCount(), 3);
        QCOMPARE(again.grid().textMatrix(1, 2), b);
        QCOMPARE(again.grid().textMatrix(1, 0), "named\r\n-->" + b);
        QCOMPARE(again.grid().textMatrix(2, 0), a);
        QCOMPARE(again.grid().textMatrix(2, 2), a);
        // Deleted, its text goes from the disk with the next write.
        QVERIFY(again.w->store().deleteItem(2));
        QVERIFY(again.files().writeSession());
        QCOMPARE(QDir(session + "_Data").entryList(QDir::Files).size(), 1);
        // The autosave at close keeps its own format, every text in it.
        again.w->closeInOrder();
        ListFile::Contents autosave;
        QCOMPARE(ListFile::read(again.files().autosavePath(), &autosave), ListFile::Status::Ok);
        QCOMPARE(autosave.rows[1].text[2], b);
        QCOMPARE(fileBytes(again.files().autosavePath()).mid(8, 2), QByteArray("\x01\x00", 2));
    }
}

void TestDataFiles::failedWritesAreRetriedAndReported()
{
    QTemporaryDir dir;
    const QString big = QString(100000, QChar('x'));
    Program p(dir.path());
    p.copyText("saved before the disk filled up");
    QVERIFY(p.files().writeSession());
    {
        WriteLimit full(4096);
        p.copyText(big);
        QVERIFY(!p.files().writeSession());
        // Told once, in the count label; the item stays in the list.
        QCOMPARE(p.w->store().countLabelText(), QString("2 UNSAVED"));
        QVERIFY(p.w->lblItemCount()->toolTip().contains(strerror(EFBIG)));
        QVERIFY(p.dialogs.messages.isEmpty());
        p.copyText("copied meanwhile");
        QTest::qWait(DataFiles::SessionDelayMs + 200);
        QCOMPARE(p.w->store().countLabelText(), QString("3 UNSAVED"));
    }
    // Space again: the retry timer writes the list, and the label says so.
    QTRY_COMPARE_WITH_TIMEOUT(p.w->store().countLabelText(), QString("3  ITEMS"), DataFiles::SessionRetryMs * 3);
    ListFile::Contents onDisk;
    QCOMPARE(ListFile::read(p.files().sessionPath(), &onDisk), ListFile::Status::Ok);
    QCOMPARE(onDisk.rows[1].text[2], big);

    // Exit while the disk is full: the user is asked, and "No" keeps the program running.
    WriteLimit full(4096);
    p.copyText(big + "y");
    p.w->options().promptOnExit = false;
    p.dialogs.answers.enqueue(DialogsPort::Answer::No);
    p.w->cmdExit_Click();
    QVERIFY(!p.w->isClosed());
    QVERIFY(p.dialogs.messages.last().text.contains("Not saved: 1 item"));
    QVERIFY(p.dialogs.messages.last().text.endsWith("Exit anyway?"));
    // A termination request: what is on disk stays, and the status says the list is not saved.
    p.w->closeInOrder();
    QCOMPARE(p.w->exitStatus(), 1);
    QCOMPARE(p.files().unsavedItems().size(), 1);
    QVERIFY(ListFile::read(p.files().sessionPath(), &onDisk) == ListFile::Status::Ok);
    QCOMPARE(onDisk.rows[0].text[2], QString("copied meanwhile"));
}

void TestDataFiles::damagedSessionCopyFallsBackAndTells()
{
    for (const bool withAutosave : {true, false}) {
        QTemporaryDir dir;
        QString session;
        {
            Program p(dir.path());
            session = p.files().sessionPath();
            p.copyText("in the autosave");
            p.w->closeInOrder();
            if (!withAutosave)
                QVERIFY(QFile::remove(p.files().autosavePath()));
        }
        QVERIFY(QDir().mkpath(session + "_Data"));
        writeFile(session, ListFile::encode(listWith({{0, {"Text", {"lost", "", "lost"}, 235}}})).chopped(3));
        Program p(dir.path());
        QCOMPARE(p.w->store().itemCount(), withAutosave ? 1 : 0);
        const QStringList aside = QDir(QFileInfo(session).path()).entryList({"session.sbt.unreadable-*"});
        QCOMPARE(aside.size(), 2); // the list and its folder
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(p.dialogs.notices.size(), 1);
        QVERIFY(p.dialogs.notices[0].contains(QFileInfo(session).path() + "/" + aside[0]));
        QCOMPARE(p.dialogs.notices[0].contains("restored instead"), withAutosave);
    }
}

void TestDataFiles::startupFile()
{
    QTemporaryDir dir;
    const QString list = dir.filePath("start.sbx");
    {
        Program p(dir.path());
        p.copyText("from the file");
        QVERIFY(p.files().saveTo(list));
        p.clipboard.current.clear();
        p.copyText("from the autosave");
        p.setting("LoadFile", "True");
        p.setting("File", list);
        p.w->closeInOrder();
    }
    {
        Program p(dir.path());
        // Loaded from the file; the autosave is left for the next close to replace.
        QCOMPARE(p.w->store().itemCount(), 1);
        QCOMPARE(p.grid().textMatrix(0, 2), QString("from the file"));
        QVERIFY(QFile::exists(p.files().autosavePath()));
        p.copyText("added later");
        p.setting("File", "a.sbx"); // five characters: not loaded
        p.w->closeInOrder();
    }
    {
        Program p(dir.path());
        QCOMPARE(p.grid().textMatrix(0, 2), QString("added later")); // restored from the autosave
        QCOMPARE(p.grid().textMatrix(1, 2), QString("from the file"));
        // A start-up file that has gone away does not cost the last session's list.
        p.setting("File", dir.filePath("gone away.sbx"));
        p.w->closeInOrder();
    }
    Program p(dir.path());
    QCOMPARE(p.w->store().itemCount(), 2);
    QCOMPARE(p.grid().textMatrix(0, 2), QString("added later"));
}

void TestDataFiles::listWithGapsOpensAsConsecutiveRows()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("gaps.sbx");
    QCOMPARE(ListFile::write(file,
                             listWith({{0, {"Text", {"zero", "", "zero"}, 235}},
                                       {5, {"RTF", {"five", "{\\rtf1 five}", "five"}, 1020}},
                                       {19, {"Text", {"nineteen", "", "nineteen"}, 235}}})),
             ListFile::Status::Ok);
    Program p(dir.path());
    p.dialogs.files.enqueue(file);
    p.files().Command4_Click();
    QCOMPARE(kinds(p.grid()).mid(0, 4), QStringList({"Text", "RTF", "Text", ""}));
    QCOMPARE(p.grid().textMatrix(1, 1), QString("{\\rtf1 five}"));
    QCOMPARE(p.grid().rowData(5), QString());
    // The next copy goes on top and keeps every item.
    p.copyText("new");
    QCOMPARE(p.w->store().itemCount(), 4);
    for (int r = 0; r < 4; ++r)
        QCOMPARE(p.grid().textMatrix(r, 2), QStringList({"new", "zero", "five", "nineteen"})[r]);
    QCOMPARE(p.grid().rowData(4), QString());
}

void TestDataFiles::hostileFilesDoNotStopStartOrOpen()
{
    // At start: a FIFO as the settings file and as an autosave picture.
    QTemporaryDir dir;
    const QString ini = dir.filePath(AppFolder::userName() + ".ini");
    QCOMPARE(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    const QString autosave = dir.filePath("{E098A55430BFFEE0816A628E}{" + AppFolder::userName() + "}/temp.sbt");
    QVERIFY(QDir().mkpath(autosave + "_Data"));
    QCOMPARE(::mkfifo(QFile::encodeName(autosave + "_Data/fifo").constData(), 0600), 0);
    writeFile(autosave + "_Data/good", png(picture(4)));
    QCOMPARE(ListFile::write(
                 autosave,
                 listWith({{0, bitmapRow("fifo")}, {1, bitmapRow("good")}, {2, {"Text", {"text", "", "text"}, 235}}})),
             ListFile::Status::Ok);
    {
        Program p(dir.path());
        QCOMPARE(p.w->store().itemCount(), 3);
        QVERIFY(p.grid().cellPicture(0, 1).isNull());
        QCOMPARE(p.grid().cellPicture(1, 1).image().convertToFormat(QImage::Format_RGB32), picture(4));
        // Not all of it could be read: nothing of it is removed.
        QVERIFY(QFile::exists(autosave));
        QVERIFY(QFile::exists(autosave + "_Data/good"));
    }

    // Open: a FIFO, a link to /dev/zero and a file beyond the size limit as pictures.
    const QString list = dir.filePath("hostile.sbx");
    QVERIFY(QDir().mkpath(list + "_Data"));
    QCOMPARE(::mkfifo(QFile::encodeName(list + "_Data/fifo").constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", list + "_Data/zero"));
    writeFile(list + "_Data/huge", png(picture(5)));
    QVERIFY(QFile::resize(list + "_Data/huge", ListFile::MaxFileBytes + 1)); // sparse
    QCOMPARE(ListFile::write(list,
                             listWith({{0, bitmapRow("fifo")},
                                       {1, bitmapRow("zero")},
                                       {2, bitmapRow("huge")},
                                       {3, {"Text", {"kept", "", "kept"}, 235}}})),
             ListFile::Status::Ok);
    QTemporaryDir other;
    Program q(other.path());
    q.dialogs.files.enqueue(list);
    q.files().Command4_Click();
    QCOMPARE(q.w->store().itemCount(), 4);
    QCOMPARE(q.grid().textMatrix(3, 2), QString("kept"));
    for (int r = 0; r < 3; ++r)
        QVERIFY(q.grid().cellPicture(r, 1).isNull());
}

void TestDataFiles::filesOfOthersAndLinksAreRefused()
{
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("victim.txt");
    writeFile(victim, "keep me");
    QString autosave;
    {
        Program p(dir.path());
        p.copyText("mine");
        autosave = p.files().autosavePath();
        p.w->closeInOrder();
    }
    // A link in place of the autosave: not read, and the next close does not write through it.
    QVERIFY(QFile::remove(autosave));
    QVERIFY(QFile::link(victim, autosave));
    {
        Program p(dir.path());
        QVERIFY(p.files().untrustedFiles().contains("temp.sbt is a symbolic link."));
        QCOMPARE(p.w->store().itemCount(), 0);
        p.copyText("other");
        p.w->closeInOrder();
    }
    QVERIFY(QFileInfo(autosave).isSymLink());
    QCOMPARE(fileBytes(victim), QByteArray("keep me"));

    if (::geteuid() != 0)
        QSKIP("planting a folder of another owner needs root");
    // An autosave folder planted by someone else, with a list in it.
    const QString folder = QFileInfo(autosave).path();
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(ListFile::write(autosave, listWith({{0, {"Text", {"planted", "", "planted"}, 235}}})),
             ListFile::Status::Ok);
    QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    const QByteArray planted = fileBytes(autosave);
    Program p(dir.path());
    QVERIFY(p.files().untrustedFiles().contains("belongs to another user."));
    QCOMPARE(p.w->store().itemCount(), 0);
    p.copyText("secret");
    p.w->closeInOrder();
    QCOMPARE(fileBytes(autosave), planted);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList("temp.sbt"));
}

void TestDataFiles::leftoverPicturesGoWhenTheAutosaveIsWritten()
{
    QTemporaryDir dir;
    Program p(dir.path());
    p.setting("saveonexit", "none");
    p.copyPicture(1);
    const QString pictures = p.files().autosavePath() + "_Data";
    QVERIFY(QDir().mkpath(pictures));
    writeFile(pictures + "/010125120000", png(picture(2)));
    writeFile(pictures + "/010125120001", "left over");
    p.w->closeInOrder();
    QCOMPARE(QDir(pictures).entryList(QDir::Files), QStringList(p.grid().textMatrix(0, 2)));
}

QTEST_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
