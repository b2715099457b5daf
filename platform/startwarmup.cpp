#include "startwarmup.h"

#include <QFontDatabase>
#include <QImageReader>

#ifdef STASHBOX_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

StartWarmup::StartWarmup(Work work)
{
    switch (work) {
    case Work::FontConfiguration:
#ifdef STASHBOX_FONTCONFIG
        // Parsing the configuration and reading the font caches takes several milliseconds, while
        // the program is still connecting to the display. Qt's font database starts from the same
        // loaded configuration; fontconfig is safe to use from several threads.
        m_thread = std::thread([] { FcInit(); });
#endif
        break;
    case Work::Databases:
        // Both are safe to use from any thread once the application exists. The first text fills
        // the font database; the first picture read looks through the folders of format plugins.
        m_thread = std::thread([] {
            QFontDatabase::families();
            QImageReader::supportedImageFormats();
        });
        break;
    }
}

StartWarmup::~StartWarmup()
{
    if (m_thread.joinable())
        m_thread.join();
}
