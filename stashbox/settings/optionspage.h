#pragma once

#include <QFrame>

class CommandBox;
class DialogsPort;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class Settings;

// The options page: a panel over the main window. Its controls show and edit the settings'
// panel state; Save writes it to the file, Cancel reads it back.
class OptionsPage final : public QFrame
{
    Q_OBJECT
public:
    OptionsPage(Settings& settings, CommandBox& commands, DialogsPort& dialogs, QWidget* parent);

    // The Options button: read the settings afresh and show the page.
    void showPage();
    void cmdSave_Click();
    void cmdCancel_Click();
    void Command6_Click();

    QCheckBox* StartWithWin() const { return m_startWithWin; }
    QCheckBox* LoadFile() const { return m_loadFile; }
    QPushButton* Command6() const { return m_command6; }
    QLineEdit* LoadClipFileName() const { return m_loadClipFileName; }
    QRadioButton* ScreenSide() const { return m_screenSide; }
    QRadioButton* SystemTray() const { return m_systemTray; }
    QScrollBar* Vscroll() const { return m_vscroll; }
    QLineEdit* speedtxt() const { return m_speedtxt; }
    QLineEdit* commandtext() const { return m_commandtext; }
    QCheckBox* AutoHide() const { return m_autoHide; }
    QCheckBox* StartInOnMode() const { return m_startInOnMode; }
    QCheckBox* PromptOnExit() const { return m_promptOnExit; }
    QRadioButton* ClipBrown() const { return m_clipBrown; }
    QRadioButton* ClipBlue() const { return m_clipBlue; }
    QPushButton* cmdSave() const { return m_cmdSave; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

signals:
    // Every action on the page first commits the main window's name box.
    void aboutToAct();
    // The user ticked or cleared StartWithWin.
    void startWithWinClicked();

private:
    void syncFromSettings();
    // A check box with the label beside it that carries its text, up to `right` (twips); returns
    // the label.
    QLabel* addCheck(int top, const QString& text, const QString& tip, QCheckBox** box, const QString& name,
                     int right = 3120);
    void place(QWidget* w, int left, int top, int width, int height);

    Settings& m_settings;
    CommandBox& m_commands;
    DialogsPort& m_dialogs;
    bool m_syncing = false;

    QCheckBox* m_startWithWin = nullptr;
    QCheckBox* m_loadFile = nullptr;
    QPushButton* m_command6 = nullptr;
    QLineEdit* m_loadClipFileName = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QRadioButton* m_screenSide = nullptr;
    QRadioButton* m_systemTray = nullptr;
    QScrollBar* m_vscroll = nullptr;
    QLineEdit* m_speedtxt = nullptr;
    QLineEdit* m_commandtext = nullptr;
    QCheckBox* m_autoHide = nullptr;
    QCheckBox* m_startInOnMode = nullptr;
    QCheckBox* m_promptOnExit = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QRadioButton* m_clipBrown = nullptr;
    QRadioButton* m_clipBlue = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QPushButton* m_cmdSave = nullptr;
};
