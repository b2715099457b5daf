#pragma once

#include <QObject>
#include <QString>

class Capture;
class ClipStore;
class DialogsPort;
class Settings;

// The hidden command box of the options page: typing a command word switches a setting at once,
// writes it to the settings file and empties the box.
class CommandBox final : public QObject
{
    Q_OBJECT
public:
    CommandBox(Settings& settings, ClipStore& store, Capture& capture, DialogsPort& dialogs, QObject* parent = nullptr);

    // The box's text changed (typed, pasted or set by the program).
    void commandtext_Change(const QString& text);

    // The note shown for one of the greeting words: title and text.
    static QPair<QString, QString> note(const QString& word);

signals:
    // The options page's Cancel: reload the settings, hide the page, let pending events run.
    void cancelRequested();
    // The box must be emptied (the change event then runs again with the empty text).
    void clearRequested();
    // Save-on-exit was switched: the list kept on disk for the next start must follow.
    void saveOnExitChanged();

private:
    void info(const QString& text, const QString& title);

    Settings& m_settings;
    ClipStore& m_store;
    Capture& m_capture;
    DialogsPort& m_dialogs;
};
