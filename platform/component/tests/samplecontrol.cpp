// A small control library for the host's tests: one property, one event, a property bag.
#include "controlclass.h"
#include "propertybag.h"

#include <QWidget>

class SampleControl final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    explicit SampleControl(QWidget* parent)
        : QWidget(parent)
    {
    }
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }

    Q_INVOKABLE void InitProperties() { m_caption = QStringLiteral("New"); }
    Q_INVOKABLE void ReadProperties(const PropertyBag* bag)
    {
        m_caption = bag->ReadProperty(QStringLiteral("Caption"), QString()).toString();
    }
    Q_INVOKABLE void WriteProperties(PropertyBag* bag) const
    {
        bag->WriteProperty(QStringLiteral("Caption"), m_caption, QString());
    }
    Q_INVOKABLE void Press() { emit Click(); }

signals:
    void Click();

private:
    QString m_caption;
};

namespace {
#ifdef SAMPLE_BROKEN
ControlClass sampleClass("Sample.Broken", "{6CE83443-0A02-4F61-91E2-617677F8AB05}", "Broken sample", nullptr);
extern "C" Q_DECL_EXPORT com::HRESULT DllRegisterServer()
{
    return ControlLibrary::registerServer(sampleClass, reinterpret_cast<const void*>(&DllRegisterServer));
}
#else
ControlClass sampleClass("Sample.Control", "{48486BCA-A3BA-4C19-9FCA-CE90DD55CDA9}", "Sample control",
                         [](QWidget* parent) -> QWidget* { return new SampleControl(parent); });
#endif
} // namespace

#ifndef SAMPLE_BROKEN
STASHBOX_CONTROL_LIBRARY(sampleClass)
#endif

#include "samplecontrol.moc"
