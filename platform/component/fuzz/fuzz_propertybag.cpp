// libFuzzer entry for the property bag and form-data readers: any input is either refused (giving
// defaults) or read into something that writes back to text reading to the same text again.
#include "formdata.h"
#include "propertybag.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and pictures need a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString why;
    const PropertyBag bag = PropertyBag::fromText(bytes, &why);
    if (!bag.isEmpty()) {
        const QByteArray written = bag.toText();
        if (PropertyBag::fromText(written).toText() != written)
            std::abort();
    }
    const FormData form = FormData::fromText(bytes);
    const QByteArray written = form.toText();
    const FormData again = FormData::fromText(written);
    if (!again.problems().isEmpty() || again.toText() != written)
        std::abort();
    return 0;
}
