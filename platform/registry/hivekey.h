#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct HiveValue
{
    QString name;
    quint32 type = 0;
    QByteArray data;
};

// One key of a hive in memory. Names match case-insensitively and keep the case they were
// created with. Sub-keys are kept in case-insensitive order (the order enumeration reports);
// values keep the order they were first written in.
class HiveKey final
{
public:
    explicit HiveKey(QString name = QString());

    const QString& name() const { return m_name; }
    quint32 deniedAccess() const { return m_deniedAccess; }
    void setDeniedAccess(quint32 mask) { m_deniedAccess = mask; }

    const std::vector<std::unique_ptr<HiveKey>>& subkeys() const { return m_subkeys; }
    const std::vector<HiveValue>& values() const { return m_values; }

    HiveKey* subkey(const QString& name) const;
    // The key at `path` below this one, or nullptr.
    HiveKey* find(const QStringList& path);
    const HiveKey* find(const QStringList& path) const;
    // Returns the existing sub-key of that name or a new one placed in order.
    HiveKey* addSubkey(const QString& name);
    // Appends without searching; the caller guarantees the name sorts after every existing sub-key.
    HiveKey* appendSubkeyInOrder(const QString& name);
    bool removeSubkey(const QString& name);

    const HiveValue* value(const QString& name) const;
    // Replaces the data and type of an existing value (its name keeps its case) or appends a new one.
    void setValue(const QString& name, quint32 type, const QByteArray& data);
    // Appends without searching for duplicates; for readers that check them themselves.
    void appendValue(HiveValue value) { m_values.push_back(std::move(value)); }
    bool removeValue(const QString& name);

    static bool sameName(const QString& a, const QString& b);
    static int compareNames(const QString& a, const QString& b);

private:
    QString m_name;
    quint32 m_deniedAccess = 0;
    std::vector<std::unique_ptr<HiveKey>> m_subkeys;
    std::vector<HiveValue> m_values;
};
