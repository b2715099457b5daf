#pragma once

#include <QFrame>

#include <functional>

class CommandBox;
class DialogsPort;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class Settings;

// The options page: a panel over the main window. Its controls show and edit the settings'
// panel state; Save writes it to the file, Cancel reads it back. Its buttons and check boxes are
// hosted controls (the command button and the flat check box), made by the form.
class OptionsPage final : public QFrame
{
    Q_OBJECT
public:
    // Makes the hosted control of that name on a parent.
    using HostedControls = std::function<QWidget*(const QString& name, QWidget* parent)>;

    OptionsPage(Settings& settings, CommandBox& commands, DialogsPort& dialogs, HostedControls hosted, QWidget* parent);

    // The Options button: read the settings afresh and show the page.
    void showPage();
    void cmdSave_Click();
    void cmdCancel_Click();
    void Command6_Click();

    QWidget* StartWithWin() const { return m_startWithWin; }
    QWidget* LoadFile() const { return m_loadFile; }
    QWidget* Command6() const { return m_command6; }
    QLineEdit* LoadClipFileName() const { return m_loadClipFileName; }
    QRadioButton* ScreenSide() const { return m_screenSide; }
    QRadioButton* SystemTray() const { return m_systemTray; }
    QScrollBar* Vscroll() const { return m_vscroll; }
    QLineEdit* speedtxt() const { return m_speedtxt; }
    QLineEdit* commandtext() const { return m_commandtext; }
    QWidget* AutoHide() const { return m_autoHide; }
    QWidget* StartInOnMode() const { return m_startInOnMode; }
    QWidget* PromptOnExit() const { return m_promptOnExit; }
    QRadioButton* ClipBrown() const { return m_clipBrown; }
    QRadioButton* ClipBlue() const { return m_clipBlue; }
    QWidget* cmdSave() const { return m_cmdSave; }
    QWidget* cmdCancel() const { return m_cmdCancel; }

signals:
    // Every action on the page first commits the main window's name box.
    void aboutToAct();
    // The user ticked or cleared StartWithWin.
    void startWithWinClicked();

private:
    void syncFromSettings();
    // A check box with the label beside it that carries its text, up to `right` (twips); returns
    // the label.
    QLabel* addCheck(int top, const QString& text, const QString& tip, QWidget** box, const QString& name,
                     int right = 3120);
    void place(QWidget* w, int left, int top, int width, int height);
    void onClick(QWidget* control, std::function<void()> handler);
    void onCheckClick(QWidget* check, const std::function<void()>& handler);
    static bool isTicked(QWidget* check);
    static void tick(QWidget* check, bool on);

    Settings& m_settings;
    CommandBox& m_commands;
    DialogsPort& m_dialogs;
    HostedControls m_hosted;
    bool m_syncing = false;

    QWidget* m_startWithWin = nullptr;
    QWidget* m_loadFile = nullptr;
    QWidget* m_command6 = nullptr;
    QLineEdit* m_loadClipFileName = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QRadioButton* m_screenSide = nullptr;
    QRadioButton* m_systemTray = nullptr;
    QScrollBar* m_vscroll = nullptr;
    QLineEdit* m_speedtxt = nullptr;
    QLineEdit* m_commandtext = nullptr;
    QWidget* m_autoHide = nullptr;
    QWidget* m_startInOnMode = nullptr;
    QWidget* m_promptOnExit = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QRadioButton* m_clipBrown = nullptr;
    QRadioButton* m_clipBlue = nullptr;
    QWidget* m_cmdCancel = nullptr;
    QWidget* m_cmdSave = nullptr;
};
