#pragma once

#include <QString>

class RegistryStore;

// The registration of control classes in the registry store, under HKEY_CLASSES_ROOT:
//
//   <ProgID>                         (default) = description
//   <ProgID>\CLSID                   (default) = class id
//   CLSID\<class id>                 (default) = description
//   CLSID\<class id>\InprocServer32  (default) = the library's absolute path
//   CLSID\<class id>\ProgID          (default) = ProgID
class ComponentRegistration final
{
public:
    explicit ComponentRegistration(RegistryStore& store);

    struct Entry
    {
        QString classId;
        QString libraryPath;
    };

    bool add(const QString& progId, const QString& classId, const QString& description, const QString& libraryPath,
             QString* why = nullptr);
    // Removes the keys above; a ProgID that names another class id by now is left alone.
    bool remove(const QString& progId, const QString& classId, QString* why = nullptr);
    bool find(const QString& progId, Entry* entry, QString* why = nullptr) const;

private:
    RegistryStore& m_store;
};
