#pragma once

#include "picture.h"
#include "zqiniclass.h"

#include <QKeyCombination>
#include <QObject>
#include <functional>
#include <optional>

class Capture;
class ClipStore;

// The options page's controls: their state is the in-memory form of the settings they show.
struct PanelOptions
{
    bool startWithWin = true;
    bool loadFile = false;
    QString loadClipFileName;
    bool screenSide = true; // otherwise SystemTray
    QString speedText = QStringLiteral("100");
    int scrollValue = 0;
    bool autoHide = false;
    bool startInOnMode = true;
    bool promptOnExit = true;
    bool clipBlue = false;
    bool clipBrown = true;
    bool enabledFileControls = false; // Command6 and LoadClipFileName
};

// The user's settings file and what it switches: LoadOptions reads every key and puts it into force,
// SaveOptions writes what the options page shows.
class Settings final : public QObject
{
    Q_OBJECT
public:
    static inline const QString Section = QStringLiteral("SBOptions");

    // `builtinTss` and `builtinSb` are the list's two built-in background pictures.
    Settings(ClipStore& store, Capture& capture, const QString& settingsPath, const QString& programFolder,
             Picture builtinTss, Picture builtinSb, QObject* parent = nullptr);

    PanelOptions panel;
    bool saveOnExit = true;
    qint16 speed = 30;
    // The key that shows and hides the window from anywhere on the desktop ("Hotkey"); empty for none.
    static inline const QString DefaultHotkey = QStringLiteral("Ctrl+Alt+V");
    QString hotkey = DefaultHotkey;
    // One key with its modifiers, written as "Ctrl+Alt+V"; nothing when the text is not such a key.
    static std::optional<QKeyCombination> parseHotkey(const QString& text);
    // "w": hides at the screen side; "s": hides in the tray.
    QString hideMode = QStringLiteral("w");
    // Where the file dialogs of the options page and the command box start.
    QString fileDialogFolder;
    // Whether a process of this name is running (replaceable for tests).
    std::function<bool(const QString&)> processRunning;

    QString settingsPath() const { return m_path; }
    QString programFolder() const { return m_programFolder; }
    const Picture& tss() const { return m_tss; }
    const Picture& sb() const { return m_sb; }
    // The background picture of the main window (a skin).
    Picture skin() const { return m_skin; }

    // The read and write pattern every user of the settings file follows.
    QString read(const QString& key);
    void write(const QString& key, const QString& value);
    int lastReturnCode() const { return m_ini.LastReturnCode(); }
    // What the user is told when a setting could not be stored.
    QString notSavedMessage() const;

    // Whether LoadOptions looks for the screen-capture program that needs the clipboard's pictures
    // (a walk through every running process), or leaves that to a later applyDeferredProcessCheck().
    enum class ProcessCheck { Now, Later };
    void LoadOptions(ProcessCheck check = ProcessCheck::Now);
    // The check LoadOptions left for later, unless a later LoadOptions has made it since.
    void applyDeferredProcessCheck();
    // False when any key could not be stored.
    bool SaveOptions();

    void ClipBlue_Click();
    void ClipBrown_Click();
    void ScreenSide_Click();
    void SystemTray_Click();
    void LoadFile_Click();
    void Vscroll_Change(int value);
    // "<" at the screen side, "  ." in the tray.
    QString command2Caption() const;

    // The number a text starts with, as a person would read it ("44.5abc" is 44.5; none is 0).
    static double leadingNumber(const QString& text);

signals:
    void panelChanged();
    void skinChanged(const Picture& skin);
    void command2CaptionChanged(const QString& caption);
    void removeFromSystemTray();
    void recentreRequested();
    void processEvents();

private:
    void loadSkin(const QString& file);
    void applyImageCaptureCheck();

    ClipStore& m_store;
    Capture& m_capture;
    bool m_processCheckDeferred = false;
    QString m_path;
    QString m_programFolder;
    Picture m_tss;
    Picture m_sb;
    Picture m_skin;
    // The skin file as it was read, to know it again.
    QByteArray m_skinBytes;
    ZqiniClass m_ini;
};
