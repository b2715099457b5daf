#include "processlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool ProcessList::isRunning(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QDir proc(QStringLiteral("/proc"));
    const QStringList entries = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : entries) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly)) {
            QByteArray n = comm.readAll();
            // Cut at the first NUL or line end, as a C string would be.
            n = n.left(n.indexOf('\0') >= 0 ? n.indexOf('\0') : n.size()).trimmed();
            if (QString::fromLocal8Bit(n) == name)
                return true;
        }
        const QString exe = QFileInfo(proc.filePath(pid + QStringLiteral("/exe"))).symLinkTarget();
        if (!exe.isEmpty() && QFileInfo(exe).fileName() == name)
            return true;
    }
    return false;
}
