#pragma once

#include <thread>

// Does on a thread of its own, while the program starts, what the first frame would otherwise wait
// for on the window's thread. Joined when it goes.
class StartWarmup final
{
public:
    enum class Work {
        // Reads the desktop's font configuration; made before the application object.
        FontConfiguration,
        // Fills Qt's font database and finds the picture format plugins; made after the
        // application object, and gone before it.
        Databases,
    };
    explicit StartWarmup(Work work);
    ~StartWarmup();
    StartWarmup(const StartWarmup&) = delete;
    StartWarmup& operator=(const StartWarmup&) = delete;

private:
    std::thread m_thread;
};
