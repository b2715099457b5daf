#pragma once

#include "componentregistration.h"

#include <QHash>
#include <QString>

#include <functional>

class ControlClass;
class PropertyBag;
class QObject;
class QWidget;
class RegistryStore;

// Creates controls by ProgID through their registration, as a form's host does, and binds to
// them by name. Libraries are loaded once and stay loaded for the life of the process: the meta
// objects of the controls live in them.
class ControlHost final
{
public:
    // `libraryFolder`: where the control libraries lie (the program's folder); those not registered
    // yet are registered from there when a ProgID is asked for that the registry does not know.
    ControlHost(RegistryStore& store, QString libraryFolder);

    // The new control, or null with a message that says what is missing or broken.
    QWidget* CreateControl(const QString& progId, QWidget* parent, QString* error);

    // Registers every control library (a shared library exporting DllRegisterServer) in the folder.
    // Returns how many were registered; problems with others are collected in `problems`.
    int registerLibrariesBeside(QStringList* problems = nullptr) const;

    // Load `path` and call its DllRegisterServer or DllUnregisterServer.
    static bool registerLibrary(const QString& path, QString* why = nullptr);
    static bool unregisterLibrary(const QString& path, QString* why = nullptr);

    // Late binding: the control's persistence methods and its events, by name. False when the
    // control has no such member.
    static bool InitProperties(QObject* control);
    static bool ReadProperties(QObject* control, const PropertyBag& bag);
    static bool WriteProperties(QObject* control, PropertyBag& bag);
    // Calls `handler` (in `context`) whenever the control raises the event `name` (no arguments).
    static bool connectEvent(QObject* control, const char* name, QObject* context, std::function<void()> handler);

private:
    ControlClass* findClass(const QString& progId, QString* why);
    // The class a registration names, when its library is there and provides it.
    static ControlClass* classFrom(const ComponentRegistration::Entry& entry);

    RegistryStore& m_store;
    QString m_libraryFolder;
    // The class objects found so far, by lower-cased ProgID; they live as long as their libraries.
    QHash<QString, ControlClass*> m_classes;
    // The registry store was found unusable and said so.
    bool m_storeWarned = false;
};
