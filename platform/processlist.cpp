#include "processlist.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace {
// One small read of a /proc file; its contents up to the first NUL, without the line end.
QByteArray readProcText(const char* path)
{
    char buffer[256];
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return {};
    const auto end = static_cast<const char*>(std::memchr(buffer, '\0', size_t(n)));
    return QByteArray(buffer, end ? end - buffer : n).trimmed();
}
} // namespace

// Runs while the settings are loaded, also at start-up: plain system calls over /proc, one
// directory pass, one small read and one link per process.
bool ProcessList::isRunning(const QString& name)
{
    if (name.isEmpty())
        return false;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    char path[300]; // room for any name readdir can give
    while (!found) {
        const dirent* entry = ::readdir(proc);
        if (!entry)
            break;
        const char* pid = entry->d_name;
        if (*pid == '\0' || std::strspn(pid, "0123456789") != std::strlen(pid))
            continue;
        std::snprintf(path, sizeof path, "/proc/%s/comm", pid);
        if (QString::fromLocal8Bit(readProcText(path)) == name) {
            found = true;
            break;
        }
        std::snprintf(path, sizeof path, "/proc/%s/exe", pid);
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path, target, sizeof target);
        if (n <= 0 || n >= ssize_t(sizeof target))
            continue;
        const QByteArray exe(target, n);
        found = QFile::decodeName(exe.mid(exe.lastIndexOf('/') + 1)) == name;
    }
    ::closedir(proc);
    return found;
}
