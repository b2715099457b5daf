#include "clipstore.h"
#include "gridmodel.h"
#include "gridview.h"
#include "listfilter.h"
#include "screenmetrics.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
// Records the grid's events in the order they arrive.
struct EventLog
{
    QStringList events;
    bool cancelNext = false;

    explicit EventLog(GridModel& g)
    {
        QObject::connect(&g, &GridModel::beforeRowColChange, [this](int oR, int oC, int nR, int nC, bool* cancel) {
            events << QStringLiteral("before %1,%2->%3,%4").arg(oR).arg(oC).arg(nR).arg(nC);
            if (cancelNext)
                *cancel = true;
        });
        QObject::connect(&g, &GridModel::afterRowColChange, [this](int oR, int oC, int nR, int nC) {
            events << QStringLiteral("after %1,%2->%3,%4").arg(oR).arg(oC).arg(nR).arg(nC);
        });
        QObject::connect(&g, &GridModel::mouseDown, [this](int button, int shift, double, double) {
            events << QStringLiteral("mouse %1 %2").arg(button).arg(shift);
        });
        QObject::connect(&g, &GridModel::cellButtonClick,
                         [this](int r, int c) { events << QStringLiteral("button %1,%2").arg(r).arg(c); });
    }
};

QImage solid(QColor c, QSize s = QSize(8, 8))
{
    QImage img(s, QImage::Format_RGB32);
    img.fill(c);
    return img;
}
} // namespace

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void rowCountKeepsAndDropsContent();
    void removeMovesRowsUp();
    void outOfRangeIsHarmless();
    void clickRaisesEventsInOrder();
    void cancelKeepsTheCell();
    void cellButtonNeedsListAndEditMode();
    void positionsFollowHeightsAndScroll();
    void hugeLabelsAreCutForDrawing();
    void viewTurnsClicksAndKeysIntoEvents();
    void viewDrawsLinesBackgroundAndButton();
    void typingShowsTheMatchesUnderTheirNumbers();
    void rowPictureIsDecodedOnceWhateverItsHeight();
};

void TestGrid::rowCountKeepsAndDropsContent()
{
    GridModel g;
    g.setRows(3);
    g.setTextMatrix(2, 0, "two");
    g.setRowData(2, "Text");
    g.setCellPicture(2, 1, Picture::fromImage(solid(Qt::red)));
    g.setRowHeight(2, 1020);
    g.setRows(5);
    QCOMPARE(g.textMatrix(2, 0), QString("two"));
    QCOMPARE(g.rowHeight(4), ItemRowHeight);
    g.setRows(2);
    g.setRows(3);
    // A dropped row comes back empty, with the default height.
    QCOMPARE(g.textMatrix(2, 0), QString());
    QCOMPARE(g.rowData(2), QString());
    QVERIFY(g.cellPicture(2, 1).isNull());
    QCOMPARE(g.rowHeight(2), ItemRowHeight);
}

void TestGrid::removeMovesRowsUp()
{
    GridModel g;
    g.setRows(3);
    for (int r = 0; r < 3; ++r) {
        g.setTextMatrix(r, 2, QString::number(r));
        g.setRowData(r, QString("k%1").arg(r));
    }
    g.select(2, 0);
    g.removeItem(1);
    QCOMPARE(g.rows(), 2);
    QCOMPARE(g.textMatrix(1, 2), QString("2"));
    QCOMPARE(g.rowData(1), QString("k2"));
    // The current row stays within the list.
    g.removeItem(1);
    QCOMPARE(g.row(), 0);
    g.removeItem(0);
    QCOMPARE(g.row(), -1);
}

void TestGrid::outOfRangeIsHarmless()
{
    GridModel g;
    g.setRows(2);
    g.setTextMatrix(5, 0, "x");
    g.setTextMatrix(0, 3, "x");
    g.setTextMatrix(-1, 0, "x");
    g.setRowHeight(9, 100);
    g.removeItem(7);
    g.select(4, 0);
    QCOMPARE(g.rows(), 2);
    QCOMPARE(g.textMatrix(5, 0), QString());
    QCOMPARE(g.rowHeight(9), 0);
    QCOMPARE(g.rowData(-3), QString());
    g.setRows(-4);
    QCOMPARE(g.rows(), 0);
}

void TestGrid::clickRaisesEventsInOrder()
{
    GridModel g;
    g.setRows(4);
    g.select(0, 0);
    EventLog log(g);
    g.pressRow(2, 1, 0, QPointF(10, 300));
    QCOMPARE(log.events, QStringList({"before 0,0->2,0", "after 0,0->2,0", "mouse 1 0"}));
    QCOMPARE(g.row(), 2);
    // Pressing the current row only reports the press.
    log.events.clear();
    g.pressRow(2, 1, 1, QPointF());
    QCOMPARE(log.events, QStringList({"mouse 1 1"}));
    // Going to a cell from the program raises the change events but no press.
    log.events.clear();
    g.select(0, 0);
    QCOMPARE(log.events, QStringList({"before 2,0->0,0", "after 2,0->0,0"}));
    // A press below the last row does nothing.
    log.events.clear();
    g.pressRow(4, 1, 0, QPointF());
    QVERIFY(log.events.isEmpty());
}

void TestGrid::cancelKeepsTheCell()
{
    GridModel g;
    g.setRows(3);
    g.select(0, 0);
    EventLog log(g);
    log.cancelNext = true;
    g.select(1, 0);
    QCOMPARE(g.row(), 0);
    QCOMPARE(log.events, QStringList({"before 0,0->1,0"}));
    // A handler that shrinks the list under the move does not leave the current row outside it.
    GridModel h;
    h.setRows(3);
    h.select(0, 0);
    connect(&h, &GridModel::beforeRowColChange, [&h](int, int, int, int, bool*) { h.setRows(1); });
    h.select(2, 0);
    QCOMPARE(h.row(), 0);
}

void TestGrid::cellButtonNeedsListAndEditMode()
{
    GridModel g;
    g.setRows(2);
    g.select(1, 0);
    EventLog log(g);
    g.clickCellButton();
    g.setComboList(0, "...");
    QVERIFY(!g.currentCellHasButton());
    g.clickCellButton();
    g.setEditable(2);
    QVERIFY(g.currentCellHasButton());
    g.clickCellButton();
    g.setComboList(0, "");
    g.clickCellButton();
    QCOMPARE(log.events, QStringList({"button 1,0"}));
}

void TestGrid::positionsFollowHeightsAndScroll()
{
    GridModel g;
    g.setRows(5);
    g.setColWidth(0, 2900);
    g.setRowHeight(1, 1020);
    QCOMPARE(g.cellTop(0, 0), 0);
    QCOMPARE(g.cellTop(2, 0), 235 + 1020);
    QCOMPARE(g.cellLeft(2, 1), 2900);
    QCOMPARE(g.rowAt(0), 0);
    QCOMPARE(g.rowAt(235), 1);
    QCOMPARE(g.rowAt(235 + 1019), 1);
    QCOMPARE(g.rowAt(235 + 1020), 2);
    QCOMPARE(g.rowAt(g.totalHeight()), -1);
    g.setTopRow(2);
    QCOMPARE(g.cellTop(2, 0), 0);
    QCOMPARE(g.cellTop(0, 0), -(235 + 1020));
    QCOMPARE(g.rowAt(0), 2);
}

void TestGrid::hugeLabelsAreCutForDrawing()
{
    GridModel g;
    g.setRows(2);
    const QString huge = QString(10 * 1024 * 1024, QLatin1Char('a'));
    g.setTextMatrix(0, 0, huge);
    const QString preview = g.labelPreview(0);
    QVERIFY(preview.size() < 1000);
    QVERIFY(preview.endsWith(QChar(0x2026)));
    QCOMPARE(g.textMatrix(0, 0).size(), huge.size());

    g.setTextMatrix(1, 0, "name\r\n-->text\tx");
    QCOMPARE(g.labelPreview(1), QString("name\n-->text    x"));
    // The preview follows changes of the text.
    g.setTextMatrix(1, 0, "other");
    QCOMPARE(g.labelPreview(1), QString("other"));
    QString lines;
    for (int i = 0; i < 50; ++i)
        lines += QString("line %1\n").arg(i);
    g.setTextMatrix(1, 0, lines);
    QCOMPARE(g.labelPreview(1).count('\n'), 5);
}

void TestGrid::viewTurnsClicksAndKeysIntoEvents()
{
    GridModel g;
    g.setRows(20);
    for (int r = 0; r < 20; ++r)
        g.setTextMatrix(r, 0, QString("row %1").arg(r));
    g.setTextMatrix(3, 0, QString(10 * 1024 * 1024, QLatin1Char('b')));
    GridView view(g);
    view.resize(view.width(), ScreenMetrics::toPixelsY(8 * 235) + 4);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    g.select(0, 0);
    EventLog log(g);

    const QRect r2 = view.rowRect(2);
    QCOMPARE(r2.height(), ScreenMetrics::toPixelsY(235));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, r2.center());
    QCOMPARE(log.events, QStringList({"before 0,0->2,0", "after 0,0->2,0", "mouse 1 1"}));

    // A second click soon after the first arrives as a double click: it picks its row all the same.
    log.events.clear();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.rowRect(1).center());
    QCOMPARE(log.events, QStringList({"before 2,0->1,0", "after 2,0->1,0", "mouse 1 0"}));
    g.select(2, 0);

    // Keys move the current row without a press; the list scrolls to keep it in view.
    log.events.clear();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(log.events, QStringList({"before 2,0->3,0", "after 2,0->3,0"}));
    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(g.row(), 19);
    QVERIFY(!view.rowRect(19).isEmpty());
    QVERIFY(g.topRow() > 0);
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(g.row(), 0);
    QCOMPARE(g.topRow(), 0);
    // Enter picks the current row as a click does.
    log.events.clear();
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(log.events, QStringList({"mouse 1 0"}));

    // The cell button takes the click instead of the row.
    g.setComboList(0, "...");
    g.setEditable(2);
    log.events.clear();
    const QRect button = view.cellButtonRect();
    QVERIFY(!button.isEmpty());
    QVERIFY(view.rowRect(0).contains(button));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, button.center());
    QTRY_COMPARE(log.events, QStringList({"button 0,0"}));
    log.events.clear();
    QTest::keyClick(&view, Qt::Key_Menu);
    QCOMPARE(log.events, QStringList({"button 0,0"}));
    // A press on the button that is released elsewhere is no click.
    log.events.clear();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, button.center());
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, view.rowRect(5).center());
    QTest::qWait(50);
    QVERIFY(log.events.isEmpty());

    // A row that was made taller is taller on screen and takes clicks over its whole height.
    g.setRowHeight(1, 1020);
    const QRect tall = view.rowRect(1);
    QCOMPARE(tall.height(), ScreenMetrics::toPixelsY(1020));
    log.events.clear();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, tall.bottom() - 1));
    QCOMPARE(g.row(), 1);
}

void TestGrid::viewDrawsLinesBackgroundAndButton()
{
    GridModel g;
    g.setRows(3);
    g.setTextMatrix(0, 0, "x");
    g.setRowData(0, "Text");
    GridView view(g);
    view.resize(view.width(), 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    g.select(0, 0);

    const QRect row1 = view.rowRect(1);
    const QColor mid = view.palette().color(QPalette::Mid);
    g.setGridLines(1);
    QImage shot = view.viewport()->grab().toImage();
    QCOMPARE(shot.pixel(row1.left() + 20, row1.bottom()), mid.rgb());
    g.setGridLines(0);
    shot = view.viewport()->grab().toImage();
    QVERIFY(shot.pixel(row1.left() + 20, row1.bottom()) != mid.rgb());

    // The background picture shows where there are no rows.
    g.setBackgroundPicture(Picture::fromImage(solid(QColor(10, 200, 30))));
    shot = view.viewport()->grab().toImage();
    QCOMPARE(shot.pixel(5, shot.height() - 3), qRgb(10, 200, 30));
    g.setBackgroundPicture(Picture());
    shot = view.viewport()->grab().toImage();
    QCOMPARE(shot.pixel(5, shot.height() - 3), view.palette().color(QPalette::Base).rgb());

    // The cell button shows its picture.
    g.setComboList(0, "...");
    g.setEditable(2);
    g.setCellButtonPicture(Picture::fromImage(solid(QColor(250, 0, 250), QSize(6, 6))));
    shot = view.viewport()->grab().toImage();
    const QRect button = view.cellButtonRect();
    QCOMPARE(shot.pixel(button.center()), qRgb(250, 0, 250));
}

void TestGrid::typingShowsTheMatchesUnderTheirNumbers()
{
    GridModel grid;
    ClipStore store(grid, KindIcons{});
    store.setItemLimit(20);
    const auto text = [](const QString& t, const QString& label = {}) {
        return ClipItem{ItemKind::Text, label.isEmpty() ? t : label, {}, {}, t};
    };
    store.addItem(text(QStringLiteral("git status")));
    store.addItem(text(QStringLiteral("make test")));
    store.addItem(text(QStringLiteral("abc"), QStringLiteral("Git notes\r\n-->abc")));
    GridView view(grid);
    view.resize(300, 400);
    ListFilter filter(store);
    connect(&view, &GridView::typed, &filter, &ListFilter::type);
    connect(&view, &GridView::backspacePressed, &filter, &ListFilter::backspace);
    connect(&filter, &ListFilter::changed, &view, [&] { view.findActive = filter.isActive(); });
    const auto shown = [&grid] {
        QList<int> rows;
        for (int r = 0; r < grid.rows(); ++r)
            if (!grid.isRowHidden(r))
                rows << r;
        return rows;
    };

    // By text or by name, in any case; the others take no room and keep their rows.
    QTest::keyClicks(&view, QStringLiteral("GIT"));
    QCOMPARE(filter.query(), QStringLiteral("GIT"));
    QCOMPARE(shown(), (QList<int>{0, 2}));
    QCOMPARE(filter.matches(), 2);
    QVERIFY(view.rowRect(1).isEmpty());
    QCOMPARE(view.rowRect(2).top(), view.rowRect(0).bottom() + 1);
    QCOMPARE(ListFilter::countLabelFor(filter.query(), filter.matches()), QStringLiteral("\"GIT\": 2"));
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(grid.row(), 2);
    QCOMPARE(grid.textMatrix(2, 2), QStringLiteral("git status"));

    // A copy that arrives meanwhile is added as always, and shown when it matches; the current row is
    // one that is shown.
    store.addItem(text(QStringLiteral("make clean")));
    store.addItem(text(QStringLiteral("git push")));
    QCoreApplication::processEvents();
    QCOMPARE(shown(), (QList<int>{0, 2, 4}));
    QVERIFY(!grid.isRowHidden(grid.row()));
    QCOMPARE(grid.rowHeight(1), ItemRowHeight);

    // The space bar types while a query is on; Backspace takes back what was typed.
    QTest::keyClicks(&view, QStringLiteral(" s"));
    QCOMPARE(filter.query(), QStringLiteral("GIT s"));
    QCOMPARE(shown(), QList<int>{4});
    QCOMPARE(grid.row(), 4);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&view, Qt::Key_Backspace);
    QVERIFY(!filter.isActive());
    QCOMPARE(shown().size(), grid.rows());
    QVERIFY(!filter.clear());
}

void TestGrid::rowPictureIsDecodedOnceWhateverItsHeight()
{
    // A full-size picture kept encoded, shown in a row that opens up and closes again as other
    // rows are picked and new items arrive.
    QImage big(1600, 900, QImage::Format_RGB32);
    big.fill(QColor(200, 40, 40));
    const Picture picture = Picture::compact(big);
    QVERIFY(picture.isCompact());
    const quint64 before = Picture::decodeCount();
    GridModel g;
    g.setRows(3);
    g.setCellPicture(1, 0, picture);
    GridView view(g);
    view.resize(view.width(), 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (const int twips : {1020, 235, 1020, 600, 235, 1020}) {
        g.setRowHeight(1, twips);
        const QRect row = view.rowRect(1);
        const QImage shot = view.viewport()->grab().toImage();
        // The picture is drawn, fitted to the row.
        QCOMPARE(shot.pixel(row.left() + 4, row.center().y()), qRgb(200, 40, 40));
    }
    QCOMPARE(Picture::decodeCount() - before, quint64(1));
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
