#include "frmtrove.h"
#include "gridview.h"
#include "isolatedhome.h"
#include "profilefile.h"
#include "scriptedclipboard.h"
#include "scripteddialogs.h"
#include "singleinstance.h"
#include "testpictures.h"
#include "viewers.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {
using Offer = QHash<QString, QByteArray>;

QImage picture()
{
    QImage img(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            img.setPixel(x, y, qRgb(x * 8, y * 12, 90));
    return img;
}

// The main window over a scripted clipboard, with three items: row 0 a picture, row 1 rich text,
// row 2 plain text.
struct Window
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    ScriptedDialogs dialogs;
    std::unique_ptr<frmTrove> w;

    explicit Window(bool fill = true)
    {
        w = std::make_unique<frmTrove>(clipboard, dialogs, folder.path());
        w->items().cursorPos = [] { return QPoint(400, 300); };
        w->load();
        w->show();
        if (fill) {
            clipboard.copy({{"text/plain", "plain words"}});
            clipboard.copy({{"text/rtf", "{\\rtf1 {\\b rich}}"}, {"text/plain", "rich"}});
            clipboard.copy({{"image/png", png(picture())}});
        }
        clipboard.writes = 0;
    }

    GridModel& grid() { return w->gridModel(); }

    void click(int row)
    {
        QTest::mouseClick(w->Grid()->viewport(), Qt::LeftButton, {}, w->Grid()->rowRect(row).center() - QPoint(20, 0));
    }

    void openMenu(int row, int choice)
    {
        grid().select(row, 0);
        w->Grid()->ensureVisible(row);
        dialogs.menuChoices.enqueue(choice);
        const QRect button = w->Grid()->cellButtonRect();
        QVERIFY(!button.isEmpty());
        const qsizetype shown = dialogs.menus.size();
        QTest::mouseClick(w->Grid()->viewport(), Qt::LeftButton, {}, button.center());
        // The menu opens once the click has been delivered.
        QTRY_COMPARE(dialogs.menus.size(), shown + 1);
    }
};
} // namespace

class TestItems : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { isolateHome(); }
    void clickPutsItemBackWithoutCapturingIt();
    void onlyOneRowIsExpanded();
    void itemMenuIsBuiltForTheRow();
    void namingItems();
    void nameBoxIsCommittedByOtherActions();
    void deleteAndClearAll();
    void actionsFollowTheirItem();
    void fullList();
    void viewers();
    void startUpWelcomesOnceAndCapturesWhatIsThere();
    void startUpRespectsTheSwitch();
    void terminationDuringStartUp();
    void exitQuestions();
    void secondInstanceIsRefused();
};

void TestItems::clickPutsItemBackWithoutCapturingIt()
{
    Window t;
    t.click(2);
    QCOMPARE(t.clipboard.current, (Offer{{"text/plain", "plain words"}}));
    t.click(1);
    QCOMPARE(t.clipboard.current, (Offer{{"text/rtf", "{\\rtf1 {\\b rich}}"}, {"text/plain", "rich"}}));
    t.click(0);
    QCOMPARE(t.clipboard.current.keys(), QStringList({"image/png"}));
    QImage back;
    QVERIFY(back.loadFromData(t.clipboard.current.value("image/png")));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), picture());
    // Clicking the expanded row again copies once more.
    t.click(0);
    QCOMPARE(t.clipboard.writes, 4);
    QCOMPARE(t.w->store().itemCount(), 3);
    QCOMPARE(t.w->lblItemCount()->text(), QString("3  ITEMS"));
    // Empty rows do nothing.
    t.click(7);
    QCOMPARE(t.clipboard.writes, 4);
    // Nor does a picture whose file was missing: the clipboard keeps what it holds.
    t.w->store().writeItem(1, ClipItem{ItemKind::Bitmap, "IMAGE", "1", Picture(), "010126120000"});
    const Offer before = t.clipboard.current;
    t.click(1);
    QCOMPARE(t.clipboard.writes, 4);
    QCOMPARE(t.clipboard.current, before);
}

void TestItems::onlyOneRowIsExpanded()
{
    Window t;
    const ProgramPictures& pics = t.w->pictures();
    t.click(2);
    QCOMPARE(t.grid().rowHeight(2), 1020);
    QVERIFY(t.grid().cellPicture(2, 0).sharesDataWith(pics.largeText));
    t.click(1);
    QCOMPARE(t.grid().rowHeight(2), 235);
    QVERIFY(t.grid().cellPicture(2, 0).sharesDataWith(pics.small.text));
    QCOMPARE(t.grid().rowHeight(1), 1020);
    QVERIFY(t.grid().cellPicture(1, 0).sharesDataWith(pics.largeRtf));
    t.click(0);
    QVERIFY(t.grid().cellPicture(0, 0).sharesDataWith(t.grid().cellPicture(0, 1)));
    QCOMPARE(t.grid().rowHeight(1), 235);

    // Keys collapse without copying.
    const int writes = t.clipboard.writes;
    t.w->Grid()->setFocus();
    QTest::keyClick(t.w->Grid(), Qt::Key_Down);
    QCOMPARE(t.grid().row(), 1);
    QCOMPARE(t.grid().rowHeight(0), 235);
    QVERIFY(t.grid().cellPicture(0, 0).sharesDataWith(pics.small.bitmap));
    QCOMPARE(t.grid().rowHeight(1), 235);
    QCOMPARE(t.clipboard.writes, writes);

    // A new capture shrinks every row back.
    t.click(2);
    t.clipboard.copy({{"text/plain", "newest"}});
    for (int r = 0; r < 4; ++r)
        QCOMPARE(t.grid().rowHeight(r), 235);
}

void TestItems::itemMenuIsBuiltForTheRow()
{
    Window t;
    t.openMenu(2, 0);
    QCOMPARE(t.dialogs.menus.size(), 1);
    const ScriptedDialogs::Menu m = t.dialogs.menus.last();
    QList<int> ids;
    QStringList texts;
    for (const auto& e : m.entries) {
        ids << e.id;
        texts << e.text;
    }
    QCOMPARE(ids, QList<int>({1002, 1000, 1010, 1001, 1003}));
    QCOMPARE(texts,
             QStringList({"Edit Item Name", "Delete Item Name", "...View Text", "Delete Item", "Clear Clipboard"}));
    QVERIFY(m.rightAligned);
    QCOMPARE(m.globalPos, QPoint(400, 300));
    QVERIFY(!m.entries[0].icon.isNull());
    QVERIFY(m.entries[2].icon.isNull());

    t.openMenu(0, 0);
    QCOMPARE(t.dialogs.menus.last().entries[2].id, 1009);
    QCOMPARE(t.dialogs.menus.last().entries[2].text, QString("...View Image"));

    // An empty row has no button: neither the first row of an empty list nor a row emptied by Delete.
    t.grid().select(5, 0);
    QVERIFY(t.w->Grid()->cellButtonRect().isEmpty());
    QCOMPARE(t.grid().editable(), 0);
    Window empty(false);
    QVERIFY(empty.w->Grid()->cellButtonRect().isEmpty());
    empty.clipboard.copy({{"text/plain", "one"}});
    QVERIFY(!empty.w->Grid()->cellButtonRect().isEmpty());
    QTest::mouseClick(empty.w->Command1(), Qt::LeftButton);
    QVERIFY(empty.w->Grid()->cellButtonRect().isEmpty());
}

void TestItems::namingItems()
{
    Window t;
    t.openMenu(2, ItemInteraction::EditItemName);
    QVERIFY(t.w->ItemNameBox()->isVisible());
    QCOMPARE(t.w->txtItemName()->maxLength(), 30);
    QTest::keyClicks(t.w->txtItemName(), "My name");
    QTest::keyClick(t.w->txtItemName(), Qt::Key_Return);
    QCOMPARE(t.grid().textMatrix(2, 0), QString("My name\r\n-->plain words"));
    QVERIFY(!t.w->ItemNameBox()->isVisible());
    QCOMPARE(t.w->txtItemName()->text(), QString());
    // Picked, a named item gives its text, not its name.
    t.click(2);
    QCOMPARE(t.clipboard.current, (Offer{{"text/plain", "plain words"}}));

    t.openMenu(0, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), " Holiday ");
    QTest::keyClick(t.w->txtItemName(), Qt::Key_Return);
    QCOMPARE(t.grid().textMatrix(0, 0), QString(" Holiday "));

    // Blank names are never written; Escape keeps the label.
    t.openMenu(1, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), "   ");
    QTest::keyClick(t.w->txtItemName(), Qt::Key_Return);
    QCOMPARE(t.grid().textMatrix(1, 0), QString("rich"));
    QVERIFY(!t.w->ItemNameBox()->isVisible());
    t.openMenu(1, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), "abandoned");
    QTest::keyClick(t.w->txtItemName(), Qt::Key_Escape);
    QCOMPARE(t.grid().textMatrix(1, 0), QString("rich"));

    // Deleting the name brings back the text, or "IMAGE".
    t.openMenu(2, ItemInteraction::DeleteItemName);
    QCOMPARE(t.grid().textMatrix(2, 0), QString("plain words"));
    t.openMenu(0, ItemInteraction::DeleteItemName);
    QCOMPARE(t.grid().textMatrix(0, 0), QString("IMAGE"));
}

void TestItems::nameBoxIsCommittedByOtherActions()
{
    Window t;
    t.openMenu(2, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), "typed");
    // Clicking another row keeps the typed name alone on the row being named.
    t.click(1);
    QCOMPARE(t.grid().textMatrix(2, 0), QString("typed"));
    QCOMPARE(t.grid().textMatrix(1, 0), QString("rich"));
    QVERIFY(!t.w->ItemNameBox()->isVisible());

    t.openMenu(1, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), "by switch");
    QTest::mouseClick(t.w->Check1(), Qt::LeftButton);
    QCOMPARE(t.grid().textMatrix(1, 0), QString("by switch"));
}

void TestItems::deleteAndClearAll()
{
    Window t;
    t.openMenu(1, ItemInteraction::DeleteItem);
    QCOMPARE(t.w->store().itemCount(), 2);
    QCOMPARE(t.grid().textMatrix(1, 2), QString("plain words"));
    QCOMPARE(t.grid().rows(), 20);

    t.dialogs.answers.enqueue(DialogsPort::Answer::No);
    t.openMenu(0, ItemInteraction::ClearClipboard);
    QCOMPARE(t.dialogs.messages.last().text, QString("Delete all items from the clipboard?"));
    QCOMPARE(t.dialogs.messages.last().title, QString("Stashbox"));
    QCOMPARE(t.dialogs.messages.last().buttons, DialogsPort::Buttons::YesNo);
    QCOMPARE(t.w->store().itemCount(), 2);

    t.dialogs.answers.enqueue(DialogsPort::Answer::Yes);
    t.openMenu(0, ItemInteraction::ClearClipboard);
    QCOMPARE(t.w->store().itemCount(), 0);
    QCOMPARE(t.w->lblItemCount()->text(), QString("0  ITEMS"));
    QCOMPARE(t.grid().rows(), 20);
    for (int r = 0; r < 20; ++r)
        QCOMPARE(t.grid().rowData(r), QString());
    // The clipboard itself is left alone.
    QCOMPARE(t.clipboard.writes, 0);

    // The Delete button on an empty row keeps the window on top and deletes nothing.
    t.grid().select(4, 0);
    QTest::mouseClick(t.w->Command1(), Qt::LeftButton);
    QCOMPARE(t.w->store().itemCount(), 0);
    QVERIFY(t.w->isTopmost());
}

// A copy that arrives while the menu is open, while Delete lets events run or while a name is typed
// moves every item down a row: each action still acts on its own item.
void TestItems::actionsFollowTheirItem()
{
    Window t;
    const auto copyMeanwhile = [&t](const QByteArray& text) {
        t.dialogs.whileOpen = [&t, text] { t.clipboard.copy({{"text/plain", text}}); };
    };
    const auto labels = [&t] {
        QStringList out;
        for (int r = 0; r < t.w->store().itemCount(); ++r)
            out << t.grid().textMatrix(r, 0);
        return out;
    };
    copyMeanwhile("first arrival");
    t.openMenu(2, ItemInteraction::DeleteItem);
    QCOMPARE(labels(), QStringList({"first arrival", "IMAGE", "rich"}));

    copyMeanwhile("second arrival");
    t.openMenu(2, ItemInteraction::ViewText);
    QCOMPARE(t.w->textViewer()->Text1()->toPlainText(), QString("rich"));

    t.grid().select(1, 0);
    const QMetaObject::Connection c = connect(&t.w->items(), &ItemInteraction::processEvents, this, [&t] {
        t.clipboard.copy({{"text/plain", "third arrival"}});
    });
    QTest::mouseClick(t.w->Command1(), Qt::LeftButton);
    disconnect(c);
    QCOMPARE(labels(), QStringList({"third arrival", "second arrival", "IMAGE", "rich"}));

    // Typing on row 0: the name goes to that item, now on row 1, not to the new one.
    t.openMenu(0, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), "named");
    t.clipboard.copy({{"text/plain", "fourth arrival"}});
    QTest::keyClick(t.w->txtItemName(), Qt::Key_Return);
    // Typing on row 2: the copy makes row 0 current, which commits the name to its own item.
    t.openMenu(2, ItemInteraction::EditItemName);
    QTest::keyClicks(t.w->txtItemName(), "partial");
    t.clipboard.copy({{"text/plain", "fifth arrival"}});
    QCOMPARE(labels(),
             QStringList({"fifth arrival", "fourth arrival", "named\r\n-->third arrival", "partial", "IMAGE", "rich"}));
}

void TestItems::fullList()
{
    Window t;
    for (int i = 3; i < 20; ++i)
        t.clipboard.copy({{"text/plain", QByteArray::number(i)}});
    QCOMPARE(t.w->store().itemCount(), 20);
    // The bottom item rolls off while its menu is open: its entry then does nothing.
    t.dialogs.whileOpen = [&t] { t.clipboard.copy({{"text/plain", "pushes one off"}}); };
    t.openMenu(19, ItemInteraction::DeleteItem);
    QCOMPARE(t.w->store().itemCount(), 20);
    QCOMPARE(t.grid().textMatrix(19, 0), QString("rich"));

    t.dialogs.answers.enqueue(DialogsPort::Answer::Yes);
    t.openMenu(7, ItemInteraction::ClearClipboard);
    QCOMPARE(t.w->store().itemCount(), 0);
    QCOMPARE(t.grid().rows(), 20);
    for (int r = 0; r < 20; ++r)
        QVERIFY2(!t.w->store().isItemRow(r) && t.grid().textMatrix(r, 0).isEmpty(), qPrintable(QString::number(r)));
}

void TestItems::viewers()
{
    Window t;
    t.openMenu(2, ItemInteraction::ViewText);
    QVERIFY(t.w->textViewer());
    QCOMPARE(t.w->textViewer()->windowTitle(), QString("Data"));
    QCOMPARE(t.w->textViewer()->Text1()->toPlainText(), QString("plain words"));
    // Open already: brought forward with its old content.
    frmTextShow* first = t.w->textViewer();
    t.openMenu(1, ItemInteraction::ViewText);
    QCOMPARE(t.w->textViewer(), first);
    QCOMPARE(first->Text1()->toPlainText(), QString("plain words"));
    first->close();
    QTRY_VERIFY(!t.w->textViewer());
    t.openMenu(1, ItemInteraction::ViewText);
    QCOMPARE(t.w->textViewer()->Text1()->toPlainText(), QString("rich"));

    t.openMenu(0, ItemInteraction::ViewImage);
    QVERIFY(t.w->imageViewer());
    QCOMPARE(t.w->imageViewer()->windowTitle(), QString("Image "));
    QCOMPARE(t.w->imageViewer()->Picture1()->pixmap().size(), QSize(30, 20));
    QCOMPARE(t.w->imageViewer()->Picture1()->size(), QSize(30, 20));
}

void TestItems::startUpWelcomesOnceAndCapturesWhatIsThere()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    clipboard.current = {{"text/plain", "there at start"}};
    {
        ScriptedDialogs dialogs;
        frmTrove w(clipboard, dialogs, folder.path());
        w.load();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].icon, DialogsPort::Icon::Information);
        QVERIFY(dialogs.messages[0].text.startsWith(
            "Stashbox has been successfully installed and is ready for use. \r\n"
            "You will find it on the left side of your screen, just move the mouse over it.\r\n"));
        QCOMPARE(w.store().itemCount(), 1);
        QCOMPARE(w.gridModel().textMatrix(0, 2), QString("there at start"));
        QVERIFY(w.Label8()->text().startsWith("About Stashbox v"));
        QVERIFY(QRegularExpression("^About Stashbox v\\d+\\.\\d+\\.\\d+$").match(w.Label8()->text()).hasMatch());
        QVERIFY(w.isTopmost());
        QCOMPARE(w.gridModel().comboList(0), QString("..."));
        QCOMPARE(w.gridModel().width(), 3200);
        QCOMPARE(w.gridModel().colWidth(0), 2900);
    }
    ScriptedDialogs again;
    frmTrove w(clipboard, again, folder.path());
    w.load();
    QVERIFY(again.messages.isEmpty());
}

void TestItems::startUpRespectsTheSwitch()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    clipboard.current = {{"text/plain", "not taken"}};
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    QVERIFY(ProfileFile::write(w.settingsPath(), "SBOptions", "StartInOnMode", "False"));
    w.load();
    QCOMPARE(w.store().itemCount(), 0);
    QVERIFY(!w.Check1()->isChecked());
    clipboard.copy({{"text/plain", "nor this"}});
    QCOMPARE(w.store().itemCount(), 0);
}

void TestItems::terminationDuringStartUp()
{
    QTemporaryDir folder;
    ScriptedClipboard clipboard;
    {
        // While the welcome box is open: what was copied meanwhile is saved, and start-up ends there.
        ScriptedDialogs dialogs;
        frmTrove w(clipboard, dialogs, folder.path());
        dialogs.whileOpen = [&] {
            clipboard.copy({{"text/plain", "during the welcome"}});
            w.closeInOrder();
        };
        w.load();
        QVERIFY(w.isClosed());
        clipboard.copy({{"text/plain", "after the end"}});
        QCOMPARE(w.store().itemCount(), 1);
    }
    {
        // Before the list is restored (reading the options lets events run): the saved list stays.
        ScriptedDialogs dialogs;
        frmTrove w(clipboard, dialogs, folder.path());
        QVERIFY(ProfileFile::write(w.settingsPath(), "SBOptions", "AutoHide", "True"));
        QMetaObject::invokeMethod(&w, &frmTrove::closeInOrder, Qt::QueuedConnection);
        w.load();
        QVERIFY(w.isClosed());
    }
    ScriptedDialogs dialogs;
    frmTrove w(clipboard, dialogs, folder.path());
    clipboard.current.clear();
    w.load();
    QCOMPARE(w.store().itemCount(), 1);
    QCOMPARE(w.gridModel().textMatrix(0, 2), QString("during the welcome"));
}

void TestItems::exitQuestions()
{
    {
        Window t(false);
        t.dialogs.messages.clear();
        t.dialogs.answers.enqueue(DialogsPort::Answer::No);
        QTest::mouseClick(t.w->cmdExit(), Qt::LeftButton);
        QCOMPARE(t.dialogs.messages.size(), 1);
        QCOMPARE(t.dialogs.messages[0].text, QString(" Are you sure you want to close Stashbox?"));
        QCOMPARE(t.dialogs.messages[0].buttons, DialogsPort::Buttons::YesNo);
        QVERIFY(t.w->isVisible());
        QVERIFY(t.w->isTopmost());
        // Empty list: only the first question.
        t.dialogs.answers.enqueue(DialogsPort::Answer::Yes);
        QTest::mouseClick(t.w->cmdExit(), Qt::LeftButton);
        QCOMPARE(t.dialogs.messages.size(), 2);
        QVERIFY(!t.w->isVisible());
    }
    {
        Window t;
        t.dialogs.messages.clear();
        t.dialogs.answers << DialogsPort::Answer::Yes << DialogsPort::Answer::No;
        QTest::mouseClick(t.w->cmdExit(), Qt::LeftButton);
        QCOMPARE(t.dialogs.messages.size(), 2);
        QCOMPARE(t.dialogs.messages[1].text, QString("Save clipboard data?"));
        QVERIFY(!t.w->isVisible());
        // Closed: no more capturing.
        t.clipboard.copy({{"text/plain", "after close"}});
        QCOMPARE(t.w->store().itemCount(), 3);
    }
    {
        Window t;
        t.dialogs.messages.clear();
        t.w->options().promptOnExit = false;
        QTest::mouseClick(t.w->cmdExit(), Qt::LeftButton);
        QVERIFY(t.dialogs.messages.isEmpty());
        QVERIFY(!t.w->isVisible());
    }
}

void TestItems::secondInstanceIsRefused()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    {
        SingleInstance first("stashbox-test");
        SingleInstance second("stashbox-test");
        QVERIFY(first.acquire());
        QVERIFY(!second.acquire());
    }
    QVERIFY(SingleInstance("stashbox-test").acquire()); // released when its holder went
    // A lock left by a copy that died does not block.
    SingleInstance probe("stashbox-stale");
    QFile stale(probe.lockPath());
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("2147480000\nstashbox\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    QVERIFY(probe.acquire());

    // A link planted in the lock's place is not followed.
    SingleInstance planted("stashbox-planted");
    QVERIFY(QFile::link(runtime.filePath("elsewhere"), planted.lockPath()));
    QVERIFY(!planted.acquire());
    QVERIFY(!QFile::exists(runtime.filePath("elsewhere")));
}

QTEST_MAIN(TestItems)
#include "tst_items.moc"
