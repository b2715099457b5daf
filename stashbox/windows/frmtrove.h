#pragma once

#include "capture.h"
#include "clipstore.h"
#include "formdata.h"
#include "formdesign.h"
#include "frmabout.h"
#include "gridmodel.h"
#include "iteminteraction.h"
#include "placement.h"
#include "programpictures.h"
#include "remotecontrol.h"
#include "settings.h"
#include "summon.h"
#include "traymenu.h"
#include "viewers.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class ClipboardPort;
class DialogsPort;
class GridView;
class QCheckBox;
class QEventLoop;
class QFrame;
class QLabel;
class QLineEdit;
class CommandBox;
class ControlHost;
class DataFiles;
class DesktopKeyboard;
class ListFilter;
class OptionsPage;
class RegistryStore;
class StateProbe;

// The main window: the item list and the controls around it. It owns the list's model, the store,
// the capture and the item actions, and forwards its controls' events to them.
class frmTrove final : public QWidget, private PlacementWindow, private SummonWindow
{
    Q_OBJECT
public:
    // `userFolder` holds the user's settings and files (the program's folder when writable).
    frmTrove(ClipboardPort& clipboard, DialogsPort& dialogs, const QString& userFolder, QWidget* parent = nullptr);
    ~frmTrove() override;

    // The start-up sequence. `ready` runs once the window is set up, before what is on the
    // clipboard is taken (commands given at start act on the list as it was saved).
    void load(const std::function<void()>& ready = {});
    // The design data of the window's controls (frmTrove.sbf beside the program); read by load().
    QString formDataPath;
    // The About box, modal (Label8 and the tray menu).
    void showAbout();
    // The help page beside the program, in the desktop's browser (cmdHelp and the tray menu).
    void openHelp();
    // The Options button: the options page over the list.
    void Command5_Click();
    // What could not be created of the hosted controls (their libraries missing or broken).
    const QStringList& controlProblems() const { return m_controlProblems; }
    // Exit as the user asks for it: the questions, then the orderly close.
    void cmdExit_Click();
    // The orderly close without questions (window manager, end of session, signals). Runs once.
    void closeInOrder();
    // The window was closed in order (also during load(), by a termination request).
    bool isClosed() const { return m_closed; }
    // The status the program ends with: 1 when the list could not be written at close.
    int exitStatus() const { return m_autosaveWritten == false ? 1 : 0; }

    GridModel& gridModel() { return m_grid; }
    ClipStore& store() { return m_store; }
    Capture& capture() { return m_capture; }
    ItemInteraction& items() { return *m_items; }
    Settings& settings() { return *m_settings; }
    PanelOptions& options() { return m_settings->panel; }
    OptionsPage* Options() const { return m_optionsPage; }
    QWidget* Command5() const { return m_command5; }
    RegistryStore& registry() { return *m_registry; }
    DataFiles& dataFiles() { return *m_dataFiles; }
    QWidget* Command3() const { return m_command3; }
    QWidget* Command2() const { return m_command2; }
    QWidget* ClipHandle() const { return m_clipHandle; }
    // The tray-icon control; null before load() and when its library could not be loaded.
    QWidget* Zqtray1() const { return m_zqtray1; }
    Placement& placement() { return *m_placement; }
    QWidget* Command4() const { return m_command4; }
    const ProgramPictures& pictures() const { return m_pictures; }

    GridView* Grid() const { return m_gridView; }
    QLabel* lblItemCount() const { return m_lblItemCount; }
    QCheckBox* Check1() const { return m_check1; }
    QWidget* Command1() const { return m_command1; }
    QWidget* cmdHelp() const { return m_cmdHelp; }
    // The About box while it is open.
    frmAbout* aboutBox() const { return m_about; }
    QWidget* cmdExit() const { return m_cmdExit; }
    QLabel* Label8() const { return m_label8; }
    QFrame* ItemNameBox() const { return m_itemNameBox; }
    QLineEdit* txtItemName() const { return m_txtItemName; }
    frmTextShow* textViewer() const { return m_textShow; }
    frmImageShow* imageViewer() const { return m_imageShow; }

    // The settings file of the current user.
    QString settingsPath() const;
    // The marker that the welcome message was shown to this user.
    QString welcomeMarkerPath() const;
    static QString welcomeMessage();
    bool isTopmost() const { return m_topmost; }

    // Hide the window at the screen edge or in the tray; slide it out from the screen edge.
    void Retract();
    void Extend() { m_placement->Extend(); }
    // Shown and hidden on request (the desktop's key, a command from a shell), with the keyboard.
    Summon& summon() { return m_summon; }
    ListFilter& filter() { return *m_filter; }
    // A command from a shell.
    ControlChannel::Answer command(const ControlChannel::Request& request) { return m_remote.answer(request); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void buildControls();
    void waitForFirstFrame();
    void placeControls();
    void wireControls();
    void attachStateProbe(const QString& path);
    void applyStartWithWin();
    void BecomeClipboardViewer();
    void UnbecomeClipboardViewer();
    void SubclassAgain();
    void applicationStateChanged(Qt::ApplicationState state);
    QWidget* hosted(const QString& name, QWidget* parent);
    void createTrayIcon();
    void wireTrayIcon();
    void updatePlacementGeometry();
    // Dragging the window with any mouse button: from the press to the release.
    void startDrag(const QPoint& globalPos);
    bool dragTo(const QPoint& globalPos);
    bool endDrag();

    // Where the window is, in twips, for the placement.
    int leftTwips() const override;
    int topTwips() const override;
    void setLeftTwips(int twips) override;
    void setTopTwips(int twips) override;
    void letEventsRun() override;
    void SetTopmost(bool on) override;
    void setShown(bool on) override;
    void showForm() override;
    void relayList() override;
    void loseNameBox() override;
    void TrayZoom(bool fromTray) override;
    void setTrayIcon(const QString& path) override;
    void addToTray(const QString& toolTip) override;
    void takeKeyboard() override;
    quintptr focusedWindow() const override;
    void giveFocusTo(quintptr window) override;
    void retract() override { Retract(); }
    // The desktop's key that shows and hides the window (the settings' "Hotkey").
    void grabHotkey();
    void Check1_Click();
    // The count, or the query and its matches while find by typing is on.
    void showCount();
    void savingChanged(bool failing);
    // Why the list could not be written and which items no list on disk holds.
    QString unsavedReport() const;
    // Asks whether to exit although the list could not be written; true for yes.
    bool confirmExitUnsaved();
    void syncNameBox();
    void showTextViewer(int row);
    void showImageViewer(int row);
    void QueryUnload();
    void Unload();
    void place(QWidget* w, int left, int top, int width, int height);

    ClipboardPort& m_clipboard;
    DialogsPort& m_dialogs;
    ProgramPictures m_pictures;
    GridModel m_grid;
    ClipStore m_store;
    Capture m_capture;
    ItemInteraction* m_items;
    QString m_userFolder;
    std::unique_ptr<RegistryStore> m_registry;
    Settings* m_settings;
    CommandBox* m_commands;
    DataFiles* m_dataFiles;
    std::unique_ptr<Placement> m_placement;
    Summon m_summon;
    RemoteControl m_remote;
    ListFilter* m_filter;
    std::unique_ptr<DesktopKeyboard> m_keyboard;
    std::unique_ptr<ControlHost> m_controls;
    std::vector<FormDesign::Control> m_design;
    FormData m_form;
    QStringList m_controlProblems;
    std::unique_ptr<TrayMenu> m_trayMenu;
    std::optional<QPoint> m_dragOffset;
    // Where the window was put last, and whether a window manager's first move after showing it is
    // still to be overruled.
    std::optional<QPoint> m_wantedPos;
    bool m_overruleWm = false;
    int m_trayZooms = 0;
    bool m_topmost = false;
    bool m_closed = false;
    bool m_listRestored = false;
    // Whether the list was written at close (not yet tried: empty).
    std::optional<bool> m_autosaveWritten;
    bool m_viewer = false;

    GridView* m_gridView = nullptr;
    QLabel* m_lblItemCount = nullptr;
    QCheckBox* m_check1 = nullptr;
    QLabel* m_label1 = nullptr;
    QWidget* m_picture1 = nullptr;
    QWidget* m_command1 = nullptr;
    QWidget* m_cmdHelp = nullptr;
    QWidget* m_command3 = nullptr;
    QWidget* m_command4 = nullptr;
    QWidget* m_command5 = nullptr;
    OptionsPage* m_optionsPage = nullptr;
    QWidget* m_cmdExit = nullptr;
    QWidget* m_command2 = nullptr;
    QWidget* m_clipHandle = nullptr;
    QPointer<QWidget> m_zqtray1;
    QLabel* m_label8 = nullptr;
    QFrame* m_itemNameBox = nullptr;
    QLineEdit* m_txtItemName = nullptr;
    QPointer<frmTextShow> m_textShow;
    QPointer<frmImageShow> m_imageShow;
    QPointer<frmAbout> m_about;
    StateProbe* m_probe = nullptr;
    // The first frame: whether it was painted, and the start's wait for it.
    bool m_painted = false;
    QEventLoop* m_firstFrame = nullptr;
    static constexpr int FirstFrameWaitMs = 250;
};
