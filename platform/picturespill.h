#pragma once

#include <QByteArray>
#include <QString>

// Large encoded pictures are kept in files of a private folder instead of in memory, so that a
// list full of screenshots costs the program little resident memory. Off until enabled; the
// folder belongs to this process (spill-<pid>, owner-only) and goes away with it, and folders
// left behind by processes that died are removed when the next one enables it.
class PictureSpill final
{
public:
    // Pictures of this size and more are spilled.
    static constexpr qsizetype Threshold = 64 * 1024;

    static bool enable(const QString& parentFolder);
    static void disable();
    static bool isEnabled();
    static QString folder();

    // The file now holding `bytes`, or "" when they stay in memory.
    static QString store(const QByteArray& bytes);
    static QByteArray load(const QString& file);
    static void release(const QString& file);
};
