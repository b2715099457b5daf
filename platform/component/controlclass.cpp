#include "controlclass.h"

#include "componentregistration.h"
#include "registrystore.h"

#include <QFileInfo>
#include <QObject>
#include <QWidget>

#include <dlfcn.h>

ControlClass::ControlClass(const char* progId, const char* classId, const char* description, Factory factory)
    : m_progId(progId)
    , m_classId(classId)
    , m_description(description)
    , m_factory(factory)
{
}

QWidget* ControlClass::CreateInstance(QWidget* parent)
{
    QWidget* control = m_factory(parent);
    if (control) {
        ++m_live;
        QObject::connect(control, &QObject::destroyed, [this] { --m_live; });
    }
    return control;
}

namespace ControlLibrary {

com::HRESULT registerServer(const ControlClass& cls, const void* addressInLibrary)
{
    Dl_info info{};
    if (!dladdr(addressInLibrary, &info) || !info.dli_fname)
        return com::SELFREG_E_CLASS;
    const QString path = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    RegistryStore store;
    return ComponentRegistration(store).add(cls.progId(), cls.classId(), cls.description(), path)
        ? com::S_OK
        : com::SELFREG_E_CLASS;
}

com::HRESULT unregisterServer(const ControlClass& cls)
{
    RegistryStore store;
    return ComponentRegistration(store).remove(cls.progId(), cls.classId()) ? com::S_OK : com::SELFREG_E_CLASS;
}

com::HRESULT getClassObject(ControlClass& cls, const char* classId, ControlClass** out)
{
    if (!out)
        return com::E_POINTER;
    *out = nullptr;
    if (!classId || cls.classId().compare(QLatin1String(classId), Qt::CaseInsensitive) != 0)
        return com::CLASS_E_CLASSNOTAVAILABLE;
    *out = &cls;
    return com::S_OK;
}

com::HRESULT getClassByProgId(ControlClass& cls, const char* progId, ControlClass** out)
{
    if (!out)
        return com::E_POINTER;
    *out = nullptr;
    if (!progId || cls.progId().compare(QLatin1String(progId), Qt::CaseInsensitive) != 0)
        return com::CLASS_E_CLASSNOTAVAILABLE;
    *out = &cls;
    return com::S_OK;
}

com::HRESULT canUnloadNow(const ControlClass& cls)
{
    return cls.liveInstances() == 0 ? com::S_OK : com::S_FALSE;
}

} // namespace ControlLibrary
