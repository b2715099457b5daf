// libFuzzer entry for the list file reader: any input is either refused or read into contents that
// write back to bytes reading to the same contents (and the same bytes) again.
#include "listfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ListFile::Contents contents;
    // A session copy's side texts: any name stands for a text of the length the cell asks for.
    const ListFile::SideReader sides = [](const QString&, bool, quint64 units, QString* text) {
        if (units > (1u << 16))
            return false;
        *text = QString(qsizetype(units), QLatin1Char('x'));
        return true;
    };
    if (ListFile::decode(bytes, &contents, sides) != ListFile::Status::Ok)
        return 0;
    const QByteArray written = ListFile::encode(contents);
    ListFile::Contents again;
    if (ListFile::decode(written, &again) != ListFile::Status::Ok)
        std::abort();
    if (!(again == contents))
        std::abort();
    if (ListFile::encode(again) != written)
        std::abort();
    return 0;
}
