#include "hivekey.h"

#include <algorithm>

HiveKey::HiveKey(QString name)
    : m_name(std::move(name))
{
}

// Equality and order both come from the same folding, so the order a hive is written in and
// the duplicate test of the reader can never disagree.
bool HiveKey::sameName(const QString& a, const QString& b)
{
    return a.toCaseFolded() == b.toCaseFolded();
}

int HiveKey::compareNames(const QString& a, const QString& b)
{
    return a.toCaseFolded().compare(b.toCaseFolded(), Qt::CaseSensitive);
}

HiveKey* HiveKey::subkey(const QString& name) const
{
    for (const auto& k : m_subkeys) {
        if (sameName(k->m_name, name))
            return k.get();
    }
    return nullptr;
}

HiveKey* HiveKey::find(const QStringList& path)
{
    HiveKey* key = this;
    for (const QString& part : path) {
        key = key->subkey(part);
        if (!key)
            return nullptr;
    }
    return key;
}

const HiveKey* HiveKey::find(const QStringList& path) const
{
    return const_cast<HiveKey*>(this)->find(path);
}

HiveKey* HiveKey::addSubkey(const QString& name)
{
    if (HiveKey* existing = subkey(name))
        return existing;
    auto pos = std::lower_bound(
        m_subkeys.begin(), m_subkeys.end(), name,
        [](const std::unique_ptr<HiveKey>& k, const QString& n) { return compareNames(k->m_name, n) < 0; });
    return m_subkeys.insert(pos, std::make_unique<HiveKey>(name))->get();
}

HiveKey* HiveKey::appendSubkeyInOrder(const QString& name)
{
    m_subkeys.push_back(std::make_unique<HiveKey>(name));
    return m_subkeys.back().get();
}

bool HiveKey::removeSubkey(const QString& name)
{
    auto it = std::find_if(m_subkeys.begin(), m_subkeys.end(),
                           [&](const std::unique_ptr<HiveKey>& k) { return sameName(k->m_name, name); });
    if (it == m_subkeys.end())
        return false;
    m_subkeys.erase(it);
    return true;
}

const HiveValue* HiveKey::value(const QString& name) const
{
    for (const HiveValue& v : m_values) {
        if (sameName(v.name, name))
            return &v;
    }
    return nullptr;
}

void HiveKey::setValue(const QString& name, quint32 type, const QByteArray& data)
{
    for (HiveValue& v : m_values) {
        if (sameName(v.name, name)) {
            v.type = type;
            v.data = data;
            return;
        }
    }
    m_values.push_back(HiveValue{name, type, data});
}

bool HiveKey::removeValue(const QString& name)
{
    auto it =
        std::find_if(m_values.begin(), m_values.end(), [&](const HiveValue& v) { return sameName(v.name, name); });
    if (it == m_values.end())
        return false;
    m_values.erase(it);
    return true;
}
