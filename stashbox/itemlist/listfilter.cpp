#include "listfilter.h"

#include "clipstore.h"
#include "gridmodel.h"

#include <QMetaObject>

ListFilter::ListFilter(ClipStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    // Rows fill, move, go and are renamed under an active query: what is shown follows. The current
    // row is put right once the change is over, never in the middle of one.
    connect(&m_store.grid(), &GridModel::changed, this, [this] {
        if (!isActive() || m_applying)
            return;
        apply();
        QMetaObject::invokeMethod(this, &ListFilter::keepCurrentShown, Qt::QueuedConnection);
    });
}

QString ListFilter::countLabelFor(const QString& query, int matches)
{
    return QLatin1Char('"') + query + QStringLiteral("\": ") + QString::number(matches);
}

void ListFilter::type(const QString& text)
{
    setQuery(m_query + text);
}

void ListFilter::backspace()
{
    if (m_query.isEmpty())
        return;
    // A character outside the basic plane is two code units: both go.
    qsizetype cut = m_query.size() - 1;
    if (cut > 0 && m_query.at(cut).isLowSurrogate() && m_query.at(cut - 1).isHighSurrogate())
        --cut;
    setQuery(m_query.left(cut));
}

bool ListFilter::clear()
{
    if (!isActive())
        return false;
    setQuery(QString());
    return true;
}

void ListFilter::setQuery(const QString& query)
{
    if (query == m_query)
        return;
    m_query = query;
    apply();
    // The matches are shown from the top.
    m_store.grid().setTopRow(0);
    keepCurrentShown();
}

bool ListFilter::matchesRow(int row) const
{
    const QString kind = m_store.kindOf(row);
    if (!ItemKind::isItem(kind))
        return false;
    const GridModel& grid = m_store.grid();
    // A picture's text is its time stamp: only its name counts.
    return grid.textMatrix(row, 0).contains(m_query, Qt::CaseInsensitive)
        || (kind != ItemKind::Bitmap && grid.textMatrix(row, 2).contains(m_query, Qt::CaseInsensitive));
}

void ListFilter::apply()
{
    m_applying = true;
    GridModel& grid = m_store.grid();
    int matches = 0;
    for (int r = 0; r < grid.rows(); ++r) {
        const bool shown = !isActive() || matchesRow(r);
        grid.setRowHidden(r, !shown);
        matches += shown && m_store.isItemRow(r) ? 1 : 0;
    }
    m_applying = false;
    m_matches = matches;
    emit changed();
}

void ListFilter::keepCurrentShown()
{
    GridModel& grid = m_store.grid();
    if (!grid.isRowHidden(grid.row()))
        return;
    for (int r = 0; r < grid.rows(); ++r) {
        if (!grid.isRowHidden(r)) {
            grid.select(r, 0);
            return;
        }
    }
}
