#include "gridview.h"
#include "listconstants.h"

#include "gridmodel.h"
#include "screenmetrics.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int ButtonWidthPx = 18;

int mouseButtonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}
} // namespace

GridView::GridView(GridModel& model, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_model(model)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_model, &GridModel::changed, this, &GridView::modelChanged);
    modelChanged();
}

int GridView::px(int twips) const
{
    return ScreenMetrics::toPixelsY(twips);
}

void GridView::modelChanged()
{
    const int w = ScreenMetrics::toPixelsX(m_model.width());
    if (w > 0 && width() != w)
        setFixedWidth(w);
    updateScrollBar();
    viewport()->update();
}

int GridView::maxTopRow() const
{
    const int avail = viewport()->height();
    int used = 0;
    int r = m_model.rows() - 1;
    for (; r >= 0; --r) {
        used += px(m_model.shownHeight(r));
        if (used > avail)
            return std::min(m_model.rows() - 1, r + 1);
    }
    return 0;
}

void GridView::updateScrollBar()
{
    m_syncing = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, maxTopRow());
    bar->setPageStep(std::max(1, viewport()->height() / std::max(1, px(ItemRowHeight))));
    bar->setValue(m_model.topRow());
    m_syncing = false;
}

void GridView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void GridView::scrollContentsBy(int, int)
{
    if (!m_syncing)
        m_model.setTopRow(verticalScrollBar()->value());
    viewport()->update();
}

QRect GridView::rowRect(int row) const
{
    if (row < m_model.topRow() || row >= m_model.rows() || m_model.isRowHidden(row))
        return {};
    const int top = px(m_model.cellTop(row, 0));
    if (top >= viewport()->height())
        return {};
    return QRect(0, top, std::min(viewport()->width(), ScreenMetrics::toPixelsX(m_model.colWidth(0))),
                 px(m_model.rowHeight(row)));
}

QRect GridView::cellButtonRect() const
{
    if (!m_model.currentCellHasButton())
        return {};
    const QRect r = rowRect(m_model.row());
    if (r.isEmpty())
        return {};
    return QRect(r.right() - ButtonWidthPx + 1, r.top(), ButtonWidthPx, std::min(r.height(), px(ItemRowHeight)));
}

void GridView::ensureVisible(int row)
{
    if (row < 0 || row >= m_model.rows())
        return;
    if (row < m_model.topRow()) {
        m_model.setTopRow(row);
        return;
    }
    while (m_model.topRow() < row) {
        const QRect r = rowRect(row);
        if (!r.isEmpty() && r.bottom() < viewport()->height())
            break;
        m_model.setTopRow(m_model.topRow() + 1);
    }
}

void GridView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, palette().base());
    const Picture background = m_model.backgroundPicture();
    if (!background.isNull())
        p.drawTiledPixmap(area, QPixmap::fromImage(background.thumbnail(background.size())));

    const int colW = std::min(area.width(), ScreenMetrics::toPixelsX(m_model.colWidth(0)));
    const QFontMetrics fm(font());
    const QColor lineColour = palette().color(QPalette::Mid);
    int y = 0;
    for (int r = m_model.topRow(); r < m_model.rows() && y < area.height(); ++r) {
        const int h = px(m_model.shownHeight(r));
        const QRect cell(0, y, colW, h);
        y += h;
        if (h <= 0)
            continue;
        const bool current = r == m_model.row();
        if (current)
            p.fillRect(cell, palette().highlight());

        int textLeft = cell.left() + 2;
        const Picture icon = m_model.cellPicture(r, 0);
        if (!icon.isNull()) {
            const QSize box(std::min(icon.size().width(), colW / 2), std::max(1, h - 2));
            const QImage img = icon.thumbnail(box);
            p.drawImage(QPoint(cell.left() + 2, cell.top() + 1 + (h - 2 - img.height()) / 2), img);
            textLeft += img.width() + 4;
        }

        const QRect textRect(textLeft, cell.top(), cell.right() - textLeft - (current ? ButtonWidthPx : 0), h);
        const QString label = m_model.labelPreview(r);
        if (!label.isEmpty() && textRect.width() > 0) {
            p.setPen(palette().color(current ? QPalette::HighlightedText : QPalette::Text));
            p.save();
            p.setClipRect(textRect);
            const QStringList lines = label.split(QLatin1Char('\n'));
            const int lineH = fm.lineSpacing();
            const int shown = std::max(1, std::min<int>(lines.size(), textRect.height() / std::max(1, lineH)));
            // One line in a collapsed row is centred; more lines start at the top.
            int ty = shown == 1 ? textRect.top() + (h - lineH) / 2 : textRect.top() + 1;
            for (int i = 0; i < shown; ++i, ty += lineH)
                p.drawText(QRect(textRect.left(), ty, textRect.width(), lineH), Qt::AlignLeft | Qt::AlignVCenter,
                           fm.elidedText(lines[i], Qt::ElideRight, textRect.width()));
            p.restore();
        }
        if (m_model.gridLines() != 0) {
            p.setPen(lineColour);
            p.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        }
    }
    if (m_model.gridLines() != 0) {
        p.setPen(lineColour);
        p.drawLine(colW - 1, 0, colW - 1, std::min(y, area.height()));
    }

    const QRect button = cellButtonRect();
    if (!button.isEmpty()) {
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.rect = button;
        opt.state |= QStyle::State_Raised;
        const Picture pic = m_model.cellButtonPicture();
        if (pic.isNull())
            opt.text = QStringLiteral("...");
        style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
        if (pic.isNull()) {
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(button, Qt::AlignCenter, QStringLiteral("..."));
        } else {
            const QImage img = pic.thumbnail(button.size() - QSize(4, 4));
            p.drawImage(button.center() - QPoint(img.width() / 2, img.height() / 2), img);
        }
    }
}

void GridView::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    // The cell button acts when it is released, like any button.
    if (event->button() == Qt::LeftButton && cellButtonRect().contains(pos)) {
        m_buttonPressed = true;
        return;
    }
    const int row = m_model.rowAt(int(ScreenMetrics::toTwipsY(pos.y())));
    if (row < 0 || pos.x() >= ScreenMetrics::toPixelsX(m_model.colWidth(0)))
        return;
    m_model.pressRow(row, mouseButtonCode(event->button()), shiftCode(event->modifiers()),
                     QPointF(ScreenMetrics::toTwipsX(pos.x()), ScreenMetrics::toTwipsY(pos.y())));
}

void GridView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool pressed = m_buttonPressed;
    m_buttonPressed = false;
    // The menu it opens runs its own event loop: start it once this release has been delivered,
    // or the popup takes the release for a choice.
    if (pressed && event->button() == Qt::LeftButton && cellButtonRect().contains(event->position().toPoint()))
        QMetaObject::invokeMethod(&m_model, &GridModel::clickCellButton, Qt::QueuedConnection);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Two quick clicks on two rows arrive as a press and a double click: the second row must be
    // picked all the same.
    mousePressEvent(event);
}

// The row `steps` shown rows away from `from` (towards the end when positive), or the last shown
// row on the way; -1 when none is shown that way.
int GridView::shownRowFrom(int from, int steps) const
{
    const int rows = m_model.rows();
    const int direction = steps < 0 ? -1 : 1;
    int left = std::abs(steps);
    int found = -1;
    for (int r = std::clamp(from, 0, rows - 1); r >= 0 && r < rows && left > 0; r += direction) {
        if (m_model.isRowHidden(r))
            continue;
        found = r;
        if (r != from)
            --left;
    }
    return found;
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    const int rows = m_model.rows();
    if (rows == 0)
        return QAbstractScrollArea::keyPressEvent(event);
    const int page = std::max(1, verticalScrollBar()->pageStep());
    const int current = m_model.row();
    int target = current;
    switch (event->key()) {
    // Enter does what a click on the current row does; the menu key what its button does. A row
    // hidden by find by typing is not there to pick.
    case Qt::Key_Space:
        if (findActive) {
            emit typed(event->text());
            return;
        }
        [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_model.isRowHidden(current)) {
            m_model.pressRow(current, 1, 0, QPointF());
            emit rowPicked();
        }
        return;
    case Qt::Key_Menu:
        if (!m_model.isRowHidden(current))
            m_model.clickCellButton();
        return;
    case Qt::Key_Escape: emit escapePressed(); return;
    case Qt::Key_Backspace: emit backspacePressed(); return;
    case Qt::Key_Up: target = shownRowFrom(current, -1); break;
    case Qt::Key_Down: target = shownRowFrom(current, 1); break;
    case Qt::Key_PageUp: target = shownRowFrom(current, -page); break;
    case Qt::Key_PageDown: target = shownRowFrom(current, page); break;
    case Qt::Key_Home: target = shownRowFrom(-1, 1); break;
    case Qt::Key_End: target = shownRowFrom(rows, -1); break;
    default:
        if (isTyping(event)) {
            emit typed(event->text());
            return;
        }
        return QAbstractScrollArea::keyPressEvent(event);
    }
    if (target < 0)
        return;
    m_model.select(target, 0);
    ensureVisible(target);
}

bool GridView::isTyping(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}
