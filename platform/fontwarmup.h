#pragma once

#include <thread>

// Reads the desktop's font configuration on a thread of its own while the program starts, so that
// the first text the window measures does not wait for it. Joined when it goes.
class FontWarmup final
{
public:
    FontWarmup();
    ~FontWarmup();
    FontWarmup(const FontWarmup&) = delete;
    FontWarmup& operator=(const FontWarmup&) = delete;

private:
    std::thread m_thread;
};
