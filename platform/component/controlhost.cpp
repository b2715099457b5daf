#include "controlhost.h"

#include "componentregistration.h"
#include "controlclass.h"
#include "eventrelay.h"
#include "propertybag.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMetaMethod>
#include <QWidget>

namespace {

QFunctionPointer resolve(const QString& path, const char* entry, QString* why)
{
    QLibrary library(path);
    if (!library.load()) {
        if (why)
            *why = QStringLiteral("the library %1 cannot be loaded: %2").arg(path, library.errorString());
        return nullptr;
    }
    const QFunctionPointer function = library.resolve(entry);
    if (!function && why)
        *why = QStringLiteral("%1 is not a control library (it has no %2)").arg(path, QLatin1String(entry));
    return function;
}

bool callRegistration(const QString& path, const char* entry, QString* why)
{
    const auto function = reinterpret_cast<DllRegisterServerFunction>(resolve(path, entry, why));
    if (!function)
        return false;
    const com::HRESULT hr = function();
    if (!com::succeeded(hr) && why)
        *why = QStringLiteral("%1 of %2 failed (0x%3)")
                   .arg(QLatin1String(entry), path)
                   .arg(quint32(hr), 8, 16, QLatin1Char('0'));
    return com::succeeded(hr);
}

} // namespace

ControlHost::ControlHost(RegistryStore& store, QString libraryFolder)
    : m_store(store)
    , m_libraryFolder(std::move(libraryFolder))
{
}

QWidget* ControlHost::CreateControl(const QString& progId, QWidget* parent, QString* error)
{
    auto fail = [&](const QString& why) -> QWidget* {
        if (error)
            *error = QStringLiteral("The control \"%1\" cannot be created: %2.").arg(progId, why);
        return nullptr;
    };
    // A form makes many controls of one class: its registration is looked up once.
    if (ControlClass* known = m_classes.value(progId.toLower())) {
        QWidget* control = known->CreateInstance(parent);
        return control ? control : fail(QStringLiteral("its library made no control"));
    }
    ComponentRegistration registration(m_store);
    ComponentRegistration::Entry entry;
    QString why;
    QStringList problems;
    bool found = registration.find(progId, &entry, &why);
    // A registration by another copy of the program (a build beside an installation, say) gives
    // way to the libraries beside this one, so that each copy runs with its own controls.
    const bool beside = QFileInfo(entry.libraryPath).canonicalPath() == QDir(m_libraryFolder).canonicalPath();
    if (!found || !QFileInfo::exists(entry.libraryPath) || !beside) {
        registerLibrariesBeside(&problems);
        found = registration.find(progId, &entry, &why);
    }
    if (!found)
        return fail((QStringList{QStringLiteral("it is not registered")} + problems).join(QStringLiteral("; ")));
    if (!QFileInfo::exists(entry.libraryPath))
        return fail(QStringLiteral("its library %1 is missing").arg(entry.libraryPath));

    const auto getClassObject =
        reinterpret_cast<DllGetClassObjectFunction>(resolve(entry.libraryPath, "DllGetClassObject", &why));
    if (!getClassObject)
        return fail(why);
    ControlClass* cls = nullptr;
    const com::HRESULT hr = getClassObject(entry.classId.toLatin1().constData(), &cls);
    if (!com::succeeded(hr) || !cls)
        return fail(
            QStringLiteral("the library %1 does not provide the class %2").arg(entry.libraryPath, entry.classId));
    m_classes.insert(progId.toLower(), cls);
    QWidget* control = cls->CreateInstance(parent);
    if (!control)
        return fail(QStringLiteral("the library %1 made no control").arg(entry.libraryPath));
    return control;
}

int ControlHost::registerLibrariesBeside(QStringList* problems) const
{
    int registered = 0;
    const QFileInfoList files = QDir(m_libraryFolder).entryInfoList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        QLibrary library(file.absoluteFilePath());
        if (!library.load()) {
            if (problems)
                problems->append(QStringLiteral("%1 cannot be loaded: %2").arg(file.fileName(), library.errorString()));
            continue;
        }
        // Shared libraries of the program that are not controls are skipped without a word.
        if (!library.resolve("DllRegisterServer"))
            continue;
        QString why;
        if (registerLibrary(file.absoluteFilePath(), &why))
            ++registered;
        else if (problems)
            problems->append(why);
    }
    return registered;
}

bool ControlHost::registerLibrary(const QString& path, QString* why)
{
    return callRegistration(path, "DllRegisterServer", why);
}

bool ControlHost::unregisterLibrary(const QString& path, QString* why)
{
    return callRegistration(path, "DllUnregisterServer", why);
}

bool ControlHost::InitProperties(QObject* control)
{
    return QMetaObject::invokeMethod(control, "InitProperties", Qt::DirectConnection);
}

bool ControlHost::ReadProperties(QObject* control, const PropertyBag& bag)
{
    return QMetaObject::invokeMethod(control, "ReadProperties", Qt::DirectConnection, Q_ARG(const PropertyBag*, &bag));
}

bool ControlHost::WriteProperties(QObject* control, PropertyBag& bag)
{
    return QMetaObject::invokeMethod(control, "WriteProperties", Qt::DirectConnection, Q_ARG(PropertyBag*, &bag));
}

bool ControlHost::connectEvent(QObject* control, const char* name, QObject* context, std::function<void()> handler)
{
    const QMetaObject* meta = control->metaObject();
    const int index = meta->indexOfSignal(QByteArray(name).append("()").constData());
    if (index < 0)
        return false;
    auto* relay = new EventRelay(std::move(handler), context);
    QObject::connect(control, &QObject::destroyed, relay, &QObject::deleteLater);
    const int slot = relay->metaObject()->indexOfSlot("raise()");
    return bool(QObject::connect(control, meta->method(index), relay, relay->metaObject()->method(slot)));
}
