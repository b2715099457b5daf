#include "controlhost.h"

#include "componentregistration.h"
#include "controlclass.h"
#include "eventrelay.h"
#include "propertybag.h"
#include "registrystore.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMetaMethod>
#include <QWidget>

#include <utility>

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
    // A form makes many controls of one class: its library is looked for once.
    ControlClass* cls = m_classes.value(progId.toLower());
    QString why;
    if (!cls)
        cls = findClass(progId, &why);
    if (!cls)
        return fail(why);
    m_classes.insert(progId.toLower(), cls);
    QWidget* control = cls->CreateInstance(parent);
    return control ? control : fail(QStringLiteral("its library made no control"));
}

// The registration names the library; one that is missing, lies elsewhere (another copy of the
// program) or is not that control's library (another library, a picture) gives way to the libraries
// beside the program, registered again; a registry store that cannot be used at all gives way to
// loading them directly.
ControlClass* ControlHost::findClass(const QString& progId, QString* why)
{
    ComponentRegistration registration(m_store);
    ComponentRegistration::Entry entry;
    const bool beside = registration.find(progId, &entry)
        && QFileInfo(entry.libraryPath).canonicalPath() == QDir(m_libraryFolder).canonicalPath();
    if (beside) {
        if (ControlClass* cls = classFrom(entry))
            return cls;
    }
    QStringList problems;
    registerLibrariesBeside(&problems);
    QString lookup;
    QString registered;
    if (registration.find(progId, &entry, &lookup)) {
        if (ControlClass* cls = classFrom(entry))
            return cls;
        registered = entry.libraryPath;
    } else {
        problems.prepend(lookup);
    }
    const QByteArray name = progId.toLatin1();
    for (const QFileInfo& file :
         QDir(m_libraryFolder).entryInfoList({QStringLiteral("*.so")}, QDir::Files, QDir::Name)) {
        const auto byProgId = reinterpret_cast<DllGetClassByProgIDFunction>(
            resolve(file.absoluteFilePath(), "DllGetClassByProgID", nullptr));
        ControlClass* cls = nullptr;
        if (!byProgId || !com::succeeded(byProgId(name.constData(), &cls)) || !cls)
            continue;
        if (!std::exchange(m_storeWarned, true))
            qWarning().noquote() << QStringLiteral("Stashbox: the registry store in %1 cannot be used (%2); the "
                                                   "control libraries in %3 are loaded directly.")
                                        .arg(m_store.registryFolder(), problems.value(0), m_libraryFolder);
        return cls;
    }
    if (registered.isEmpty())
        *why = QStringLiteral("no control library in %1 provides it").arg(m_libraryFolder);
    else if (QFileInfo::exists(registered))
        *why = QStringLiteral("%1 is not its control library").arg(registered);
    else
        *why = QStringLiteral("its library %1 is missing").arg(registered);
    return nullptr;
}

ControlClass* ControlHost::classFrom(const ComponentRegistration::Entry& entry)
{
    if (!QFileInfo(entry.libraryPath).isFile())
        return nullptr;
    const auto getClassObject =
        reinterpret_cast<DllGetClassObjectFunction>(resolve(entry.libraryPath, "DllGetClassObject", nullptr));
    ControlClass* cls = nullptr;
    return getClassObject && com::succeeded(getClassObject(entry.classId.toLatin1().constData(), &cls)) ? cls : nullptr;
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
