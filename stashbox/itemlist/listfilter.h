#pragma once

#include <QObject>
#include <QString>

class ClipStore;

// Find by typing: while a query is typed, only the items whose text or name holds it (in any case)
// are shown, in their order; every other row is hidden and keeps its number underneath, so that what
// acts on a row acts on the item shown. A copy that arrives meanwhile is added as always, and shown
// when it matches. Nothing of it is kept in the list.
class ListFilter final : public QObject
{
    Q_OBJECT
public:
    explicit ListFilter(ClipStore& store, QObject* parent = nullptr);

    const QString& query() const { return m_query; }
    bool isActive() const { return !m_query.isEmpty(); }
    // The items shown while a query is active.
    int matches() const { return m_matches; }
    // What the count label shows in place of the count while a query is active: `"git": 2`.
    static QString countLabelFor(const QString& query, int matches);

    void type(const QString& text);
    void backspace();
    // Ends the search and shows every row again; false when there was none.
    bool clear();

signals:
    // The query or the rows it shows changed.
    void changed();

private:
    void setQuery(const QString& query);
    void apply();
    bool matchesRow(int row) const;
    // The current row is one that is shown, when any is.
    void keepCurrentShown();

    ClipStore& m_store;
    QString m_query;
    int m_matches = 0;
    bool m_applying = false;
};
