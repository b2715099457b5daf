#pragma once

#include <QAbstractScrollArea>
#include <QPointer>

class GridModel;

// Draws the list's column 0 (icon and label of each row, grid lines, background picture, the
// current row's cell button) and turns mouse and keys into the grid's input.
class GridView final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit GridView(GridModel& model, QWidget* parent = nullptr);

    // The row's rectangle in viewport pixels (empty when not shown).
    QRect rowRect(int row) const;
    // The current row's cell button in viewport pixels (empty when there is none).
    QRect cellButtonRect() const;
    // Scrolls so that `row` is fully shown.
    void ensureVisible(int row);
    // While a search is typed, the space bar adds a blank to it instead of picking the row.
    bool findActive = false;

signals:
    // Enter (or the space bar) put the current row's item on the clipboard.
    void rowPicked();
    // Printable characters typed into the list, and the keys that edit or end what was typed.
    void typed(const QString& text);
    void backspacePressed();
    void escapePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void modelChanged();
    void updateScrollBar();
    int px(int twips) const;
    int maxTopRow() const;
    int shownRowFrom(int from, int steps) const;
    static bool isTyping(const QKeyEvent* event);

    GridModel& m_model;
    bool m_syncing = false;
    bool m_buttonPressed = false;
};
