#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// A colour as controls exchange it: 0x00BBGGRR, or a system colour index with the high bit set.
struct OleColor
{
    quint32 value = 0;
    friend bool operator==(OleColor a, OleColor b) { return a.value == b.value; }
};
Q_DECLARE_METATYPE(OleColor)

// The persisted properties of one control: ordered entries with case-insensitive keys and typed
// values. The types a bag holds: integers (int, qint64), Booleans, strings, colours (OleColor),
// fonts (QFont) and pictures (QImage). The text form is described in FORMAT.md.
class PropertyBag final
{
public:
    static constexpr int kFormatVersion = 1;

    // The stored value converted to the default's type; the default when the key is missing or
    // the stored value cannot become that type.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;
    // Stores the value, keeping the key's place when it exists. A value equal to the default is
    // not stored (the key is removed), so reading it back gives the default. False for an empty
    // name or a value of a type the bag cannot hold; the bag is then unchanged.
    bool WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue = QVariant());

    bool contains(const QString& name) const { return find(name) >= 0; }
    QStringList names() const;
    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    bool operator==(const PropertyBag& other) const;

    QByteArray toText() const;
    // Malformed text gives an empty bag (every property then reads as its default) and the reason.
    static PropertyBag fromText(const QByteArray& text, QString* why = nullptr);

    // The entry lines and the END line shared with the form-data file. `lines` are consumed from
    // `*next` up to and including the END line; false on the first malformed line.
    void appendEntries(QByteArray& out) const;
    static bool parseEntries(const QList<QByteArray>& lines, qsizetype* next, PropertyBag* bag, QString* why);

private:
    struct Entry
    {
        QString name;
        QVariant value;
    };
    qsizetype find(const QString& name) const;

    std::vector<Entry> m_entries;
};
