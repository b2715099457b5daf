#pragma once

#include "listfile.h"
#include "picture.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <optional>

class ClipStore;
struct ClipItem;
class DialogsPort;
class Settings;

// Saving the list to data files and reading it back: a list file with a picture folder beside it
// (the list file's path + "_Data"), and the autosave that carries the list from one run to the next.
class DataFiles final : public QObject
{
    Q_OBJECT
public:
    // `userFolder` holds the autosave folder; `programFolder` is where the file dialogs start.
    DataFiles(ClipStore& store, Settings& settings, DialogsPort& dialogs, const QString& programFolder,
              const QString& userFolder, const QString& userName, QObject* parent = nullptr);

    QString autosaveFolder() const { return autosaveFolderOf(m_userFolder, m_userName); }
    static QString autosaveFolderOf(const QString& userFolder, const QString& userName);
    QString autosavePath() const;
    // The session copy: while the program runs with save-on-exit on, the list on disk follows the
    // list in memory here, so that a crash or a kill costs at most the last moments. An orderly
    // close replaces it by the autosave.
    QString sessionPath() const;
    static QString pictureFolder(const QString& listFile) { return listFile + QStringLiteral("_Data"); }
    // A picture name that can be used as a file name inside the picture folder and nowhere else.
    static bool isPlainName(const QString& name) { return ListFile::isPlainName(name); }

    // The Save button (also the exit prompt's Yes).
    void Command3_Click();
    // The Open button.
    void Command4_Click();
    // The start-up file; true when it was read (the autosave is then left alone).
    bool loadStartupFile();
    // Every close: writes the list and its pictures to the autosave, and removes the pictures of
    // earlier sessions that no row names any more. Then the session copy is removed.
    bool writeAutosave();
    // At start with save-on-exit on: reads the session copy a run that did not close in order left
    // behind, and keeps it; else reads the autosave and, when the list and all its pictures were read
    // and are in the session copy, deletes them. A list that cannot be read is kept aside under a
    // clear name and the list starts empty.
    bool restoreAutosave();
    // The list the next start restores (the session copy a run that did not close in order left
    // behind, else the autosave), read without changing anything: for a look at the list while the
    // program is not running. `file` gets the file read, empty when there is none (the list is then
    // empty). Returns why it could not be read; empty when it could.
    static QString readSaved(const QString& userFolder, const QString& userName, ListFile::Contents* out,
                             QString* file);

    // Whether the list file still takes the list with `item` added on top (its bottom row gone):
    // an item that would make every later save fail is refused instead.
    bool listFits(const ClipItem& item) const;
    // At start: the temporary files that writes cut short (a kill, a full disk) left in the
    // autosave folder, its picture folders and beside the settings.
    void removeLeftovers() const;

    // The list changed: the session copy follows within SessionDelayMs, one write for a burst.
    void listChanged();
    // Brings the session copy up to date now (with save-on-exit off: removes it). A list file is
    // replaced only once the pictures and long texts it names are written, and a file that the list
    // on disk names is never overwritten, so that a kill at any moment leaves a whole list. Long
    // texts lie beside the list in files written once. A write that fails is tried again at the
    // next change and on a timer, SessionRetryMs at first and then less and less often.
    bool writeSession();
    void removeSession();
    static constexpr int SessionDelayMs = 1500;
    static constexpr int SessionRetryMs = 2000;
    static constexpr int SessionRetryMaxMs = 60000;
    // Why the last write of the list failed, as a sentence; empty while saving works.
    QString saveProblem() const { return m_saveProblem; }
    // What of the list in memory no list on disk holds, for a message; empty when all of it is saved.
    QStringList unsavedItems() const;
    // The run goes on after an exit that was not confirmed: the session copy follows the list again.
    void resumeSession();
    // Set at start when the last session's list could not be read: what happened and where the
    // unreadable file was kept, as a message for the user.
    QString restoreProblem() const { return m_restoreProblem; }
    // Why the per-user folder, the files named after the user in it or the autosave folder must
    // not be used (someone else's, or links), as a message for the user; empty when they are fine.
    QString untrustedFiles() const;

    // Writes the list to `file` and its pictures to the picture folder; false on any failure.
    bool saveTo(const QString& file);
    // Sets icons, pictures (from `pictureFolder`) and the count again after a list was read, with
    // the items moved up into consecutive rows. True when every picture was read; `picturesRead`
    // gets the files that were.
    bool rebuild(const QString& pictureFolder, QStringList* picturesRead = nullptr);

signals:
    // Every action first commits the main window's name box.
    void aboutToAct();
    // Writing the list to disk started to fail (saveProblem() says why) or works again.
    void savingChanged(bool failing);

private:
    // The name the user chose in the file dialog, trimmed; "" when cancelled.
    QString askForFile(const QString& title, bool save);
    bool writePictures(const QString& folder);
    bool readList(const QString& file, QString* error);
    // Reads the list and its pictures from `file` at start; false when the list could not be read
    // (it is then kept aside). `complete` tells whether every picture was read too.
    bool restoreFrom(const QString& file, QStringList* picturesRead, bool* complete);
    // Gives the picture of `row` a name that no file of the session copy uses for another picture.
    QString sessionPictureName(int row, const QHash<QString, Picture>& taken);
    // A text file beside the session copy: the text and the file's name.
    struct SideFile
    {
        QString text;
        QString name;
        bool utf8 = true;
    };
    // Where a long cell of the list lies beside the session copy: a file on disk, or one written now
    // (added to `fresh`); false when it cannot be written.
    bool placeBeside(const QString& cell, ListFile::SideText* side, QList<SideFile>* fresh, bool* failed);
    bool nameTaken(const QString& name) const;
    void sessionWritten(bool ok, const QString& problem);
    QString writeProblem(const QString& file) const;
    // Moves an unreadable list (and its picture folder) aside under a clear name; the new path.
    static QString keepAside(const QString& file);
    void closeGaps();
    void removeStalePictures(const QString& folder);
    static QString refusal(const QString& reason);

    ClipStore& m_store;
    Settings& m_settings;
    DialogsPort& m_dialogs;
    QString m_programFolder;
    QString m_userFolder;
    QString m_userName;

    QTimer m_sessionTimer;
    QTimer m_retryTimer;
    // What the session copy on disk holds: its list, its bytes, its picture and text files.
    std::optional<ListFile::Contents> m_sessionList;
    QByteArray m_sessionBytes;
    QHash<QString, Picture> m_sessionPictures;
    QList<SideFile> m_sessionTexts;
    // The autosave has taken over at close.
    bool m_sessionEnded = false;
    QString m_saveProblem;
    QString m_restoreProblem;
    // A restore failed and the unreadable file could not be moved aside: it must not be replaced.
    bool m_restoreFailedInPlace = false;
    // errno of the write that failed last.
    int m_lastWriteError = 0;
    int m_retryDelayMs = SessionRetryMs;
};
