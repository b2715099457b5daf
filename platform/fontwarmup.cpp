#include "fontwarmup.h"

#ifdef STASHBOX_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontWarmup::FontWarmup()
{
#ifdef STASHBOX_FONTCONFIG
    // Parsing the configuration and reading the font caches takes several milliseconds, while the
    // program is still connecting to the display. Qt's font database starts from the same loaded
    // configuration; fontconfig is safe to use from several threads.
    m_thread = std::thread([] { FcInit(); });
#endif
}

FontWarmup::~FontWarmup()
{
    if (m_thread.joinable())
        m_thread.join();
}
