#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One running copy of the program per user: a lock file in the user's runtime folder, taken before
// anything else. A lock left behind by a copy that died does not block.
class SingleInstance final
{
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();

    // False when another live copy holds the lock.
    bool acquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
