#pragma once

#include <QString>

// One running copy of the program per user: a lock on a file in the user's runtime folder, taken
// before anything else. The lock ends with the process that holds it, however it ends, so a copy
// that died never blocks the next one.
class SingleInstance final
{
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another live copy holds the lock, or the lock file is not one this user can hold
    // (a link, a device or another user's file planted in its place).
    bool acquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};
