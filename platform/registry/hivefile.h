#pragma once

#include "hivekey.h"

#include <QByteArray>
#include <QString>

// Reads and writes one hive file (format in FORMAT.md). Locking is the caller's business: this
// class only knows the file.
class HiveFile final
{
public:
    enum class Status { Ok, Missing, Damaged, Unsupported, IoError };

    static constexpr int kFormatVersion = 1;

    explicit HiveFile(QString path);

    const QString& path() const { return m_path; }

    // Fills `root` (which must be empty) from the file. Missing: the file does not exist and
    // `root` stays empty.
    Status load(HiveKey& root, QString* why = nullptr) const;
    // Replaces the file atomically, owner read/write only. False (with the reason) on failure;
    // the old file is then unchanged.
    bool save(const HiveKey& root, QString* why = nullptr) const;
    // Renames a damaged file out of the way so that it is kept for inspection. Returns the new
    // name, or an empty string when it could not be moved.
    QString moveAside() const;

    static Status parse(const QByteArray& bytes, HiveKey& root, QString* why = nullptr);
    static QByteArray serialize(const HiveKey& root);

    static QByteArray encodeName(const QString& name);
    static bool decodeName(QByteArrayView token, QString* name);

private:
    QString m_path;
};
