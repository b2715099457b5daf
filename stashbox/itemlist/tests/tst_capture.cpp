#include "capture.h"
#include "clipstore.h"
#include "gridmodel.h"
#include "isolatedhome.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"
#include "testpictures.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QtTest>

namespace {
using Offer = QHash<QString, QByteArray>;

QImage picture(QRgb colour, QSize size = QSize(40, 30))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    img.setPixel(1, 1, ~colour);
    return img;
}

Offer text(const QString& t)
{
    return {{"text/plain", t.toUtf8()}};
}

// A fresh world: list, store and capture over a scripted clipboard.
struct World
{
    GridModel grid;
    ClipStore store{grid, testKindIcons()};
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    Capture capture{store, clipboard, dialogs};
    QStringList labels;

    World()
    {
        store.setItemLimit(20);
        capture.ownWriteGuard = true;
        QObject::connect(&clipboard, &ClipboardPort::changed, [this] { capture.clipboardChanged(); });
        QObject::connect(&store, &ClipStore::countChanged, [this] { labels << store.countLabelText(); });
    }

    QStringList texts() const
    {
        QStringList out;
        for (int r = 0; r < grid.rows(); ++r)
            if (store.isItemRow(r))
                out << grid.textMatrix(r, 2);
        return out;
    }

    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            clipboard.copy(text(QString("item %1").arg(i)));
    }
};

// Reads that end when the owner answers, as when another thread waits for it; a change abandons
// the read under way.
class DeferredClipboard final : public ClipboardPort
{
public:
    Offer current;
    std::function<void(ClipboardOffer&)> prefetch;
    std::shared_ptr<StaticOffer> answered;

    void copy(const Offer& offer)
    {
        current = offer;
        prefetch = nullptr;
        emit changed();
    }
    void answer()
    {
        answered = std::make_shared<StaticOffer>(current);
        std::exchange(prefetch, nullptr)(*answered);
        emit offerRead(answered);
    }
    std::unique_ptr<ClipboardOffer> offer() override { return std::make_unique<StaticOffer>(current); }
    void readOffer(const std::function<void(ClipboardOffer&)>& p) override { prefetch = p; }
    void clear() override { }
    void writeText(const QString& t) override { copy(text(t)); }
    void writeRtf(const QString&, const QString&) override { }
    void writeImage(const QImage&) override { }
};
} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { isolateHome(); }
    void newestOnTopWithCountLabel();
    void fullListRollsOffTheOldest();
    void fullListWarns();
    void fullListIgnoresWhatItCannotTake();
    void duplicatesAreRefused();
    void formatsInOrder();
    void picturesOnlyWhenSwitchedOn();
    void newItemKeepsNothingOfTheRowBefore();
    void rowsAreShrunkWhenItemsMove();
    void deleteMiddleOfThree();
    void limitShrinkKeepsNewest();
    void switchAndOwnWritesAreNotCaptured();
    void badOffersLeaveTheListIntact();
    void oversizedItemsAreRefusedWithANotice();
    void eachFormatReadOnce();
    void secretOffersAreNeverTaken();
    void readsWaitForTheOwnerNotTheCaller();
};

void TestCapture::newestOnTopWithCountLabel()
{
    World w;
    w.clipboard.copy(text("first"));
    w.clipboard.copy(text("second"));
    QCOMPARE(w.texts(), QStringList({"second", "first"}));
    QCOMPARE(w.store.itemCount(), 2);
    QCOMPARE(w.labels.constLast(), QString("2  ITEMS"));
    QCOMPARE(w.grid.rowData(0), QString("Text"));
    QCOMPARE(w.grid.textMatrix(0, 0), QString("second"));
    QVERIFY(w.grid.cellPicture(0, 0).sharesDataWith(w.store.icons().text));
    QCOMPARE(w.grid.rows(), 20);
    QCOMPARE(w.grid.row(), 0);
}

void TestCapture::fullListRollsOffTheOldest()
{
    World w;
    w.fill(20);
    QCOMPARE(w.store.itemCount(), 20);
    w.clipboard.copy(text("new"));
    QCOMPARE(w.store.itemCount(), 20);
    QCOMPARE(w.labels.constLast(), QString("20  ITEMS"));
    const QStringList t = w.texts();
    QCOMPARE(t.size(), 20);
    QCOMPARE(t.first(), QString("new"));
    QCOMPARE(t.last(), QString("item 1")); // item 0 rolled off
    QCOMPARE(w.grid.rows(), 20);
    QVERIFY(w.dialogs.messages.isEmpty());
}

void TestCapture::fullListWarns()
{
    for (int limit : {20, 100}) {
        World w;
        w.store.setItemLimit(limit);
        w.capture.warnWhenFull = true;
        int shown = 0;
        w.capture.showForWarning = [&shown] { ++shown; };
        w.fill(limit);
        w.clipboard.copy(text("one too many"));
        QCOMPARE(w.store.itemCount(), limit);
        QVERIFY(!w.texts().contains("one too many"));
        QCOMPARE(w.clipboard.fetches.value("text/plain"), limit); // not even read
        QCOMPARE(shown, 1);
        QCOMPARE(w.dialogs.messages.size(), 1);
        const ScriptedDialogs::Message m = w.dialogs.messages.first();
        QCOMPARE(m.title, QString("Stashbox"));
        QCOMPARE(m.icon, DialogsPort::Icon::Information);
        QCOMPARE(m.buttons, DialogsPort::Buttons::Ok);
        QCOMPARE(m.text,
                 QString("You have %1 items stored in Stashbox.\r\n"
                         "You must either delete an item or turn Stashbox's capture mode off.\r\n"
                         "You can turn this warning off by typing '-warn' in the command window,\r\n"
                         "items will then roll off the bottom.")
                     .arg(limit));
        // Each further change while full warns again; deleting one makes room.
        w.clipboard.copy(text("again"));
        QCOMPARE(w.dialogs.messages.size(), 2);
        w.grid.select(3, 0);
        QVERIFY(w.store.deleteCurrent());
        w.clipboard.copy(text("fits"));
        QCOMPARE(w.texts().first(), QString("fits"));
        QCOMPARE(w.store.itemCount(), limit);
    }
}

void TestCapture::fullListIgnoresWhatItCannotTake()
{
    World w;
    w.fill(20);
    const QStringList before = w.texts();
    w.clipboard.copy(text("item 5"));
    w.clipboard.copy({{"text/uri-list", "file:///etc/hosts"}});
    w.clipboard.copy(text(""));
    QCOMPARE(w.store.itemCount(), 20);
    QCOMPARE(w.texts(), before);
}

void TestCapture::duplicatesAreRefused()
{
    World w;
    w.clipboard.copy(text("A"));
    w.clipboard.copy(text("A"));
    QCOMPARE(w.store.itemCount(), 1);
    w.clipboard.copy(text("B"));
    w.clipboard.copy(text("A"));
    QCOMPARE(w.texts(), QStringList({"B", "A"}));
    // Case matters.
    w.clipboard.copy(text("a"));
    QCOMPARE(w.store.itemCount(), 3);

    // Rich text: the same words afterwards as plain text add nothing; the same RTF adds nothing.
    w.clipboard.copy({{"text/rtf", "{\\rtf1 {\\b bold}}"}, {"text/plain", "bold"}});
    QCOMPARE(w.store.itemCount(), 4);
    w.clipboard.copy(text("bold"));
    w.clipboard.copy({{"application/rtf", "{\\rtf1 {\\b bold}}"}, {"text/plain", "other words"}});
    QCOMPARE(w.store.itemCount(), 4);

    // Pictures are compared by content, whichever type carries them.
    const QImage img = picture(0xff336699);
    w.clipboard.copy({{"image/png", png(img)}});
    QCOMPARE(w.store.itemCount(), 5);
    QByteArray bmp;
    QBuffer b(&bmp);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "BMP");
    w.clipboard.copy({{"image/bmp", bmp}});
    QCOMPARE(w.store.itemCount(), 5);
    w.clipboard.copy({{"image/png", png(picture(0xff336698))}});
    QCOMPARE(w.store.itemCount(), 6);
}

void TestCapture::formatsInOrder()
{
    World w;
    const QByteArray img = png(picture(0xff00ff00));
    w.clipboard.copy({{"text/rtf", "{\\rtf1 r}"}, {"text/plain", "r"}, {"image/png", img}});
    QCOMPARE(w.grid.rowData(0), QString("RTF"));
    QCOMPARE(w.grid.textMatrix(0, 1), QString("{\\rtf1 r}"));
    QCOMPARE(w.grid.textMatrix(0, 0), QString("r"));
    QCOMPARE(w.grid.textMatrix(0, 2), QString("r"));
    QVERIFY(w.grid.cellPicture(0, 0).sharesDataWith(w.store.icons().rtf));

    w.clipboard.copy({{"text/plain", "t"}, {"image/png", img}});
    QCOMPARE(w.grid.rowData(0), QString("Text"));
    QCOMPARE(w.grid.textMatrix(0, 1), QString());

    w.clipboard.copy({{"image/png", img}});
    QCOMPARE(w.grid.rowData(0), QString("Bitmap"));
    QCOMPARE(w.grid.textMatrix(0, 0), QString("IMAGE"));
    QCOMPARE(w.grid.textMatrix(0, 1), QString::number(imageFingerprint(picture(0xff00ff00))));
    QCOMPARE(w.grid.cellPicture(0, 1).size(), QSize(40, 30));
    QVERIFY(w.grid.cellPicture(0, 1).isCompact());
    QVERIFY(QRegularExpression("^\\d{12}$").match(w.grid.textMatrix(0, 2)).hasMatch());
    QVERIFY(w.grid.cellPicture(0, 0).sharesDataWith(w.store.icons().bitmap));
    QCOMPARE(w.store.itemCount(), 3);
}

void TestCapture::picturesOnlyWhenSwitchedOn()
{
    World w;
    w.capture.imageCapture = false;
    w.clipboard.copy({{"image/png", png(picture(0xff112233))}});
    QCOMPARE(w.store.itemCount(), 0);
    QCOMPARE(w.clipboard.fetches.value("image/png"), 0);
    w.clipboard.copy({{"image/png", png(picture(0xff112233))}, {"text/plain", "caption"}});
    QCOMPARE(w.texts(), QStringList({"caption"}));
    w.capture.imageCapture = true;
    w.clipboard.copy({{"image/png", png(picture(0xff112233))}});
    QCOMPARE(w.grid.rowData(0), QString("Bitmap"));
}

void TestCapture::newItemKeepsNothingOfTheRowBefore()
{
    World w;
    w.clipboard.copy({{"image/png", png(picture(0xff445566))}});
    w.clipboard.copy(text("plain"));
    QCOMPARE(w.grid.rowData(0), QString("Text"));
    QCOMPARE(w.grid.textMatrix(0, 1), QString());
    QVERIFY(w.grid.cellPicture(0, 1).isNull());
    // The picture moved down whole.
    QCOMPARE(w.grid.rowData(1), QString("Bitmap"));
    QCOMPARE(w.grid.cellPicture(1, 1).size(), QSize(40, 30));

    w.clipboard.copy({{"text/rtf", "{\\rtf1 x}"}, {"text/plain", "x"}});
    w.clipboard.copy(text("after rtf"));
    QCOMPARE(w.grid.textMatrix(0, 1), QString());
    QCOMPARE(w.grid.textMatrix(1, 1), QString("{\\rtf1 x}"));
}

void TestCapture::rowsAreShrunkWhenItemsMove()
{
    World w;
    w.fill(3);
    w.grid.setRowHeight(1, 1020);
    w.grid.setCellPicture(1, 0, Picture::fromImage(picture(0xff000000, QSize(60, 60))));
    w.clipboard.copy(text("new"));
    for (int r = 0; r < 4; ++r)
        QCOMPARE(w.grid.rowHeight(r), 235);
    // The enlarged item lost its preview when it moved.
    QVERIFY(w.grid.cellPicture(2, 0).sharesDataWith(w.store.icons().text));
}

void TestCapture::deleteMiddleOfThree()
{
    World w;
    w.fill(3);
    w.grid.select(1, 0);
    QVERIFY(w.store.deleteCurrent());
    QCOMPARE(w.texts(), QStringList({"item 2", "item 0"}));
    QCOMPARE(w.grid.rowData(2), QString());
    QCOMPARE(w.store.itemCount(), 2);
    QCOMPARE(w.labels.constLast(), QString("2  ITEMS"));
    QCOMPARE(w.grid.rows(), 20);
    // An empty row holds nothing to delete.
    w.grid.select(5, 0);
    QVERIFY(!w.store.deleteCurrent());
    QCOMPARE(w.store.itemCount(), 2);
}

void TestCapture::limitShrinkKeepsNewest()
{
    World w;
    w.store.setItemLimit(100);
    for (int i = 0; i < 30; ++i) {
        if (i % 3 == 0)
            w.clipboard.copy({{"image/png", png(picture(0xff000000 | quint32(i), QSize(10 + i, 10)))}});
        else
            w.clipboard.copy(text(QString("item %1").arg(i)));
    }
    QCOMPARE(w.store.itemCount(), 30);
    w.store.setItemLimit(20);
    w.store.recountItems();
    QCOMPARE(w.store.itemCount(), 20);
    QCOMPARE(w.labels.constLast(), QString("20  ITEMS"));
    QCOMPARE(w.grid.rows(), 20);
    QCOMPARE(w.grid.textMatrix(0, 2), QString("item 29"));
    QCOMPARE(w.grid.textMatrix(19, 2), QString("item 10"));
}

void TestCapture::switchAndOwnWritesAreNotCaptured()
{
    World w;
    w.capture.captureOn = false;
    w.clipboard.copy(text("ignored"));
    QCOMPARE(w.store.itemCount(), 0);
    w.capture.captureOn = true;
    w.capture.writeGuarded([&w] { w.clipboard.writeText("mine"); });
    w.capture.writeGuarded([&w] { w.clipboard.writeRtf("{\\rtf1 mine}", "mine too"); });
    w.capture.writeGuarded([&w] { w.clipboard.writeImage(picture(0xff777777)); });
    QCOMPARE(w.clipboard.writes, 3);
    QCOMPARE(w.store.itemCount(), 0);
    QVERIFY(w.capture.ownWriteGuard);
    // Before start-up raises the guard nothing is taken either.
    World early;
    early.capture.ownWriteGuard = false;
    early.clipboard.copy(text("during start"));
    QCOMPARE(early.store.itemCount(), 0);
    // The start-up capture itself takes what is there.
    QCOMPARE(early.capture.captureAtStartup(), Capture::Result::Added);
    QCOMPARE(early.texts(), QStringList({"during start"}));
}

void TestCapture::badOffersLeaveTheListIntact()
{
    World w;
    w.fill(2);
    w.clipboard.copy({{"application/x-foo", "bar"}});
    w.clipboard.copy(text(""));
    w.clipboard.copy({{"text/rtf", ""}, {"text/plain", ""}});
    w.clipboard.copy({{"image/png", "\x89PNG\r\n\x1a\nnot really"}});
    w.clipboard.copy({});
    QCOMPARE(w.texts(), QStringList({"item 1", "item 0"}));

    // A 10000 x 10000 picture is beyond what we decode: refused, nothing else changes.
    QImage huge(10000, 10000, QImage::Format_Mono);
    huge.fill(1);
    w.clipboard.copy({{"image/png", png(huge)}});
    QCOMPARE(w.store.itemCount(), 2);

    // Ten megabytes of text are kept whole.
    const QString big(10 * 1024 * 1024, QLatin1Char('q'));
    w.clipboard.copy(text(big));
    QCOMPARE(w.store.itemCount(), 3);
    QCOMPARE(w.grid.textMatrix(0, 2).size(), big.size());
    QCOMPARE(w.texts().mid(1), QStringList({"item 1", "item 0"}));
}

void TestCapture::oversizedItemsAreRefusedWithANotice()
{
    World w;
    w.fill(2);
    w.clipboard.fetches.clear();
    // More than an offer may hold: nothing more is fetched, the user is told once, without a box
    // that waits for an answer.
    w.clipboard.tooLarge = {"text/rtf"};
    w.clipboard.copy({{"text/rtf", "{\\rtf1 big}"}, {"text/plain", "big"}});
    QCOMPARE(w.capture.lastResult(), Capture::Result::TooLarge);
    QCOMPARE(w.clipboard.fetches.value("text/plain"), 0);
    QCOMPARE(w.dialogs.notices, QStringList{Capture::tooLargeMessage()});
    QVERIFY(w.dialogs.messages.isEmpty());

    // An item the list file could not take with the rest is refused, not every later save.
    w.clipboard.tooLarge.clear();
    w.capture.listFits = [](const ClipItem& item) { return item.text != "too much"; };
    w.clipboard.copy(text("too much"));
    QCOMPARE(w.capture.lastResult(), Capture::Result::TooLarge);
    QCOMPARE(w.dialogs.notices.size(), 2);
    QCOMPARE(w.dialogs.notices.last(), Capture::listFullMessage());
    w.clipboard.copy(text("fits"));
    QCOMPARE(w.texts(), QStringList({"fits", "item 1", "item 0"}));
}

void TestCapture::eachFormatReadOnce()
{
    World w;
    w.clipboard.copy({{"text/rtf", "{\\rtf1 once}"}, {"text/plain", "once"}, {"image/png", png(picture(0xff010203))}});
    QCOMPARE(w.clipboard.fetches.value("text/rtf"), 1);
    QCOMPARE(w.clipboard.fetches.value("text/plain"), 1);
    QCOMPARE(w.clipboard.fetches.value("image/png"), 0);
    w.clipboard.fetches.clear();
    const QByteArray bytes = png(picture(0xff010204));
    w.clipboard.copy({{"image/png", bytes}});
    QCOMPARE(w.clipboard.fetches.value("image/png"), 1);
    // Kept as it came, not encoded again.
    QCOMPARE(w.grid.cellPicture(0, 1).encoded(), bytes);
}

void TestCapture::secretOffersAreNeverTaken()
{
    World w;
    w.fill(20);
    w.capture.warnWhenFull = true;
    w.clipboard.fetches.clear();
    w.clipboard.copy({{"x-kde-passwordManagerHint", "secret"}, {"text/plain", "hunter2"}});
    QCOMPARE(w.store.itemCount(), 20);
    QVERIFY(w.dialogs.messages.isEmpty());
    QCOMPARE(w.clipboard.fetches.value("text/plain"), 0);
    QVERIFY(!w.texts().contains("hunter2"));

    World s;
    s.clipboard.copy({{"x-kde-passwordManagerHint", "secret"}, {"image/png", png(picture(0xff0000ff))}});
    s.clipboard.copy({{"x-kde-passwordManagerHint", "public"}, {"text/plain", "shown"}});
    QCOMPARE(s.texts(), QStringList({"shown"}));
    s.clipboard.copy({{"ExcludeClipboardContentFromMonitorProcessing", ""}, {"text/plain", "hidden"}});
    QCOMPARE(s.store.itemCount(), 1);
    // The start-up capture follows the same rule.
    s.clipboard.current = {{"Clipboard Viewer Ignore", ""}, {"text/plain", "at start"}};
    QCOMPARE(s.capture.captureAtStartup(), Capture::Result::Secret);
    QCOMPARE(s.store.itemCount(), 1);
}

void TestCapture::readsWaitForTheOwnerNotTheCaller()
{
    GridModel grid;
    ClipStore store{grid, testKindIcons()};
    store.setItemLimit(20);
    DeferredClipboard clipboard;
    ScriptedDialogs dialogs;
    Capture capture{store, clipboard, dialogs};
    capture.ownWriteGuard = true;
    QObject::connect(&clipboard, &ClipboardPort::changed, [&capture] { capture.clipboardChanged(); });

    clipboard.copy(text("stalled"));
    QCOMPARE(capture.lastResult(), Capture::Result::Pending);
    // Only the newest change is taken.
    clipboard.copy(text("newer"));
    clipboard.answer();
    QCOMPARE(capture.lastResult(), Capture::Result::Added);
    QCOMPARE(grid.textMatrix(0, 2), QString("newer"));
    // Written by the program itself while its offer was read: not taken.
    clipboard.copy(text("own"));
    capture.ownWriteGuard = false;
    clipboard.answer();
    QCOMPARE(capture.lastResult(), Capture::Result::Off);
    // The secret hint is read first, and then nothing more.
    capture.ownWriteGuard = true;
    clipboard.copy({{"x-kde-passwordManagerHint", "secret"}, {"text/plain", "hunter2"}});
    clipboard.answer();
    QCOMPARE(capture.lastResult(), Capture::Result::Secret);
    QCOMPARE(clipboard.answered->fetchCount("text/plain"), 0);
    QCOMPARE(store.itemCount(), 1);
}

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
