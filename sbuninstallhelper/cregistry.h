#pragma once

#include "registrytypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>

class RegistryStore;

// One place in the registry (root, key path, value name) and what can be done there: test,
// create and delete the key, read and write the value by its type, list values and sub-keys,
// and write file-type associations into both class locations.
//
// Failures come back as False results or, for reading `Value`, as `Default`; nothing throws.
// The lists filled by the enumerations start at index 1 (index 0 is an unused empty entry) and
// are empty when nothing was found.
class Cregistry final
{
public:
    // Works on the store of the current user's environment.
    Cregistry();
    // Works on `store`, which must outlive this object.
    explicit Cregistry(RegistryStore& store);
    ~Cregistry();
    Cregistry(const Cregistry&) = delete;
    Cregistry& operator=(const Cregistry&) = delete;

    quint32 ClassKey() const { return m_classKey; }
    void setClassKey(quint32 root) { m_classKey = root; }
    QString SectionKey() const { return m_sectionKey; }
    void setSectionKey(const QString& path) { m_sectionKey = path; }
    QString ValueKey() const { return m_valueKey; }
    void setValueKey(const QString& name) { m_valueKey = name; }
    quint32 ValueType() const { return m_valueType; }
    void setValueType(quint32 type) { m_valueType = type; }
    QVariant Default() const { return m_default; }
    void setDefault(const QVariant& fallback) { m_default = fallback; }

    bool KeyExists() const;
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();

    // Text for string types (REG_EXPAND_SZ expanded), a 32-bit int for the DWORD types, the exact
    // bytes for everything else; `Default` when the value cannot be read. Sets `ValueType`.
    QVariant Value();
    void setValue(const QVariant& value);

    bool EnumerateValues(QStringList& sKeyNames, qint32& iKeyCount);
    bool EnumerateSections(QStringList& sSect, qint32& iSectCount);

    void CreateEXEAssociation(const QString& sExePath, const QString& sClassName, const QString& sClassDescription,
                              const QString& sAssociation, const QString& sOpenMenuText = QString(),
                              bool bSupportPrint = false, const QString& sPrintMenuText = QString(),
                              bool bSupportNew = false, const QString& sNewMenuText = QString(),
                              bool bSupportInstall = false, const QString& sInstallMenuText = QString(),
                              qint32 lDefaultIconIndex = -1);
    // `vItems` holds triples of verb, menu text and command.
    void CreateAdditionalEXEAssociations(const QString& sClassName, const QVariantList& vItems);

private:
    void WriteClassValue(const QString& sValue);
    static qint32 SwapLong(qint32 value);
    static QString ExpandEnvString(const QString& text);

    std::unique_ptr<RegistryStore> m_ownStore;
    RegistryStore* m_store;
    quint32 m_classKey = 0;
    QString m_sectionKey;
    QString m_valueKey;
    quint32 m_valueType = 0;
    QVariant m_default;
};
