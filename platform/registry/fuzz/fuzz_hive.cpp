// libFuzzer entry for the hive reader: any input must be either refused or read into a tree
// that writes back to a file reading to the same text again.
#include "hivefile.h"
#include "hivekey.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    HiveKey root;
    QString why;
    if (HiveFile::parse(bytes, root, &why) != HiveFile::Status::Ok)
        return 0;
    const QByteArray written = HiveFile::serialize(root);
    HiveKey again;
    if (HiveFile::parse(written, again, &why) != HiveFile::Status::Ok)
        std::abort();
    if (HiveFile::serialize(again) != written)
        std::abort();
    return 0;
}
