// libFuzzer entry for the profile file reader and writer: any bytes read without harm, and writing
// a key gives a file that reads that value back, leaves every other key as it was and does not
// change when the same key is written again.
#include "profilefile.h"

#include <cstdint>
#include <cstdlib>

namespace {
QString value(const QByteArray& contents, const char* section, const char* key)
{
    return ProfileFile::valueIn(contents, QString::fromLatin1(section), QString::fromLatin1(key),
                                QStringLiteral("<missing>"));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    if (value(before, "SBOptions", "File").size() > 254)
        std::abort();

    const QByteArray after =
        ProfileFile::withValue(before, QStringLiteral("SBOptions"), QStringLiteral("pro"), QStringLiteral("100"));
    if (value(after, "SBOptions", "pro") != QLatin1String("100"))
        std::abort();
    if (value(after, "sboptions", "images") != value(before, "SBOptions", "images")
        || value(after, "Other", "keep") != value(before, "Other", "keep"))
        std::abort();
    if (ProfileFile::withValue(after, QStringLiteral("SBOptions"), QStringLiteral("pro"), QStringLiteral("100"))
        != after)
        std::abort();
    return 0;
}
