#include "picturespill.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>
#include <cerrno>
#include <csignal>

namespace {
QString& spillFolder()
{
    static QString folder;
    return folder;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}
} // namespace

bool PictureSpill::enable(const QString& parentFolder)
{
    QDir parent(parentFolder);
    if (!parent.mkpath(QStringLiteral(".")))
        return false;
    QFile::setPermissions(parent.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (const QString& name : parent.entryList({QStringLiteral("spill-*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = name.mid(6).toLongLong(&numeric);
        if (numeric && !processAlive(pid))
            QDir(parent.filePath(name)).removeRecursively();
    }
    const QString mine =
        parent.filePath(QStringLiteral("spill-") + QString::number(QCoreApplication::applicationPid()));
    if (!QDir().mkpath(mine))
        return false;
    QFile::setPermissions(mine, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    spillFolder() = mine;
    return true;
}

void PictureSpill::disable()
{
    if (!spillFolder().isEmpty())
        QDir(spillFolder()).removeRecursively();
    spillFolder().clear();
}

bool PictureSpill::isEnabled()
{
    return !spillFolder().isEmpty();
}

QString PictureSpill::folder()
{
    return spillFolder();
}

QString PictureSpill::store(const QByteArray& bytes)
{
    if (spillFolder().isEmpty() || bytes.size() < Threshold)
        return {};
    const QString path = spillFolder() + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return {};
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.close();
        QFile::remove(path);
        return {};
    }
    return path;
}

QByteArray PictureSpill::load(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void PictureSpill::release(const QString& file)
{
    if (!file.isEmpty())
        QFile::remove(file);
}
