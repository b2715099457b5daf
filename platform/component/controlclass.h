#pragma once

#include "componenttypes.h"

#include <QString>

#include <atomic>

class QWidget;

// One control class of a control library: its ProgID, class id and description, and how to make
// an instance. The host gets it through the library's DllGetClassObject and creates controls with
// CreateInstance; the library counts the instances alive so that DllCanUnloadNow can answer.
//
// A control is a QWidget whose properties, methods and events the host reaches by name: Qt
// properties, invokable methods and signals (the events are the signals whose names begin with a
// capital letter). A control that keeps design data offers the invokable methods
// InitProperties() (a new instance), ReadProperties(const PropertyBag*) and
// WriteProperties(PropertyBag*).
class ControlClass final
{
public:
    using Factory = QWidget* (*)(QWidget* parent);

    ControlClass(const char* progId, const char* classId, const char* description, Factory factory);
    ControlClass(const ControlClass&) = delete;
    ControlClass& operator=(const ControlClass&) = delete;

    QString progId() const { return QString::fromLatin1(m_progId); }
    QString classId() const { return QString::fromLatin1(m_classId); }
    QString description() const { return QString::fromLatin1(m_description); }

    QWidget* CreateInstance(QWidget* parent);
    int liveInstances() const { return m_live.load(); }

private:
    const char* m_progId;
    const char* m_classId;
    const char* m_description;
    Factory m_factory;
    std::atomic<int> m_live{0};
};

// What the four entry points of a control library do; STASHBOX_CONTROL_LIBRARY writes them.
namespace ControlLibrary {
// Writes the class's registration, naming the library that holds `addressInLibrary`, into the
// registry store of the user's environment.
com::HRESULT registerServer(const ControlClass& cls, const void* addressInLibrary);
// Removes exactly what registerServer wrote.
com::HRESULT unregisterServer(const ControlClass& cls);
com::HRESULT getClassObject(ControlClass& cls, const char* classId, ControlClass** out);
// The same by ProgID: for a host whose registry store cannot be used, which loads the libraries
// beside it directly.
com::HRESULT getClassByProgId(ControlClass& cls, const char* progId, ControlClass** out);
// S_OK when no instance is alive, S_FALSE otherwise.
com::HRESULT canUnloadNow(const ControlClass& cls);
} // namespace ControlLibrary

// The entry points' signatures, as the host resolves them.
using DllRegisterServerFunction = com::HRESULT (*)();
using DllUnregisterServerFunction = com::HRESULT (*)();
using DllGetClassObjectFunction = com::HRESULT (*)(const char* classId, ControlClass** out);
using DllCanUnloadNowFunction = com::HRESULT (*)();
using DllGetClassByProgIDFunction = com::HRESULT (*)(const char* progId, ControlClass** out);

// Defines the exported entry points of a library holding the one control class `cls`: the four
// of the component model and DllGetClassByProgID.
#define STASHBOX_CONTROL_LIBRARY(cls)                                                                                  \
    extern "C" Q_DECL_EXPORT com::HRESULT DllRegisterServer()                                                          \
    {                                                                                                                  \
        return ControlLibrary::registerServer(cls, reinterpret_cast<const void*>(&DllRegisterServer));                 \
    }                                                                                                                  \
    extern "C" Q_DECL_EXPORT com::HRESULT DllUnregisterServer()                                                        \
    {                                                                                                                  \
        return ControlLibrary::unregisterServer(cls);                                                                  \
    }                                                                                                                  \
    extern "C" Q_DECL_EXPORT com::HRESULT DllGetClassObject(const char* classId, ControlClass** out)                   \
    {                                                                                                                  \
        return ControlLibrary::getClassObject(cls, classId, out);                                                      \
    }                                                                                                                  \
    extern "C" Q_DECL_EXPORT com::HRESULT DllCanUnloadNow()                                                            \
    {                                                                                                                  \
        return ControlLibrary::canUnloadNow(cls);                                                                      \
    }                                                                                                                  \
    extern "C" Q_DECL_EXPORT com::HRESULT DllGetClassByProgID(const char* progId, ControlClass** out)                  \
    {                                                                                                                  \
        return ControlLibrary::getClassByProgId(cls, progId, out);                                                     \
    }
