#include "frmtrove.h"
#include "listconstants.h"

#include "appfolder.h"
#include "clipboardport.h"
#include "commandbox.h"
#include "controlhost.h"
#include "datafiles.h"
#include "desktopkeyboard.h"
#include "dialogsport.h"
#include "formdesign.h"
#include "frmabout.h"
#include "gridview.h"
#include "listfilter.h"
#include "notificationarea.h"
#include "optionspage.h"
#include "processlist.h"
#include "profilefile.h"
#include "registrystore.h"
#include "screenmetrics.h"
#include "startwithsystem.h"
#include "stateprobe.h"
#include "viewers.h"
#include "windowshape.h"
#include "zoomoutline.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QJsonObject>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
// Where questions and comments about Stashbox go.
const QString SupportAddress = QStringLiteral("stashbox-support@users.noreply.example.org");
} // namespace

frmTrove::frmTrove(ClipboardPort& clipboard, DialogsPort& dialogs, const QString& userFolder, QWidget* parent)
    : QWidget(parent)
    , m_clipboard(clipboard)
    , m_dialogs(dialogs)
    , m_pictures(makeProgramPictures())
    , m_store(m_grid, m_pictures.small)
    , m_capture(m_store, clipboard, dialogs)
    , m_items(new ItemInteraction(m_store, m_capture, clipboard, dialogs, m_pictures.forItems(), this))
    , m_userFolder(userFolder)
    , m_registry(std::make_unique<RegistryStore>())
    , m_settings(new Settings(m_store, m_capture,
                              userFolder + QLatin1Char('/') + AppFolder::userName() + QStringLiteral(".ini"),
                              AppFolder::programFolder(), m_pictures.tss, m_pictures.sb, this))
    , m_commands(new CommandBox(*m_settings, m_store, m_capture, dialogs, this))
    , m_dataFiles(new DataFiles(m_store, *m_settings, dialogs, AppFolder::fileDialogFolder(), userFolder,
                                AppFolder::userName(), this))
    , m_placement(std::make_unique<Placement>(static_cast<PlacementWindow&>(*this), m_settings->hideMode,
                                              m_settings->speed,
                                              AppFolder::programFolder() + QStringLiteral("/clipboard.ico")))
    , m_summon(*m_placement, static_cast<SummonWindow&>(*this))
    , m_remote(m_store, m_summon)
    , m_filter(new ListFilter(m_store, this))
{
    m_settings->fileDialogFolder = AppFolder::fileDialogFolder();
    formDataPath = AppFolder::programFolder() + QLatin1Char('/') + FormDesign::FileName;
    buildWindow();
}

// The window itself: all that shows while it is retracted is the edge of its background. Its
// controls are made once it is on the screen (see load()).
void frmTrove::buildWindow()
{
    setObjectName(QStringLiteral("frmTrove"));
    setWindowTitle(ProgramTitle);
    // A panel without a frame that sits partly off the screen's left edge, above other windows.
    // The splash type keeps window managers from pulling a window that is mostly off the screen
    // back onto it; closing it still ends the program.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_QuitOnClose, true);
    // The window was laid out for a narrow 8-point interface font.
    QFont small = font();
    small.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    small.setPointSize(8);
    setFont(small);
    setFixedSize(ScreenMetrics::toPixelsX(3915), ScreenMetrics::toPixelsY(5850));

    // The settings that change the window as they are read.
    connect(m_settings, &Settings::recentreRequested, this, [this] { m_placement->requestRecentre(); });
    connect(m_settings, &Settings::removeFromSystemTray, this, [this] {
        if (m_zqtray1)
            QMetaObject::invokeMethod(m_zqtray1, "RemoveFromSystemTray");
    });
    connect(m_settings, &Settings::skinChanged, this, [this] { update(); });
    connect(m_settings, &Settings::processEvents, this, [] { QCoreApplication::processEvents(); });
}

// The window's controls, with their names, texts, tooltips and pictures. None of them draws on
// what is left on the screen while the window is retracted (the edge strip only takes the pointer).
void frmTrove::buildControls()
{
    // The hosted controls: their design and the properties the form data beside the program keeps.
    m_controls = std::make_unique<ControlHost>(*m_registry, AppFolder::libraryFolder());
    m_design = FormDesign::frmTrove(m_pictures, font());
    m_form = FormData::load(formDataPath);
    // Controls it gives nothing for take their built-in design; what was wrong with it is said once.
    if (!m_form.problems().isEmpty())
        qWarning().noquote() << QStringLiteral("Stashbox: the form data %1 was not read in full:\n  %2")
                                    .arg(formDataPath, m_form.problems().join(QStringLiteral("\n  ")));

    m_gridView = new GridView(m_grid, this);
    m_gridView->setObjectName(QStringLiteral("Grid"));

    // The strip below the list that carries the file buttons, the count and the delete button.
    m_picture1 = new QWidget(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));

    m_lblItemCount = new QLabel(ClipStore::countLabelFor(m_store.itemCount()), m_picture1);
    m_lblItemCount->setObjectName(QStringLiteral("lblItemCount"));
    // It may show what was typed to find an item: never as markup.
    m_lblItemCount->setTextFormat(Qt::PlainText);
    m_lblItemCount->setToolTip(
        QStringLiteral(" Number of items currently on the clipboard.  Stashbox can hold up to 20 items. "));
    m_lblItemCount->installEventFilter(this);

    m_command4 = hosted(QStringLiteral("Command4"), m_picture1);
    m_command4->setToolTip(QStringLiteral(" Open data file "));
    m_command3 = hosted(QStringLiteral("Command3"), m_picture1);
    m_command3->setToolTip(QStringLiteral(" Save data file "));
    m_command5 = hosted(QStringLiteral("Command5"), m_picture1);
    m_command5->setToolTip(QStringLiteral(" Options"));
    m_cmdHelp = hosted(QStringLiteral("cmdHelp"), m_picture1);
    m_cmdHelp->setToolTip(QStringLiteral(" Show help file "));
    m_command1 = hosted(QStringLiteral("Command1"), m_picture1);
    m_command1->setToolTip(QStringLiteral(" Delete selected item "));

    const QString captureTip = QStringLiteral(" Enable or disable capturing from the clipboard. ");
    m_check1 = new QCheckBox(this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setToolTip(captureTip);
    m_label1 = new QLabel(QStringLiteral("On/Off"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setToolTip(captureTip);

    m_cmdExit = hosted(QStringLiteral("cmdExit"), this);
    m_cmdExit->setToolTip(QStringLiteral(" Close Stashbox. "));
    m_command2 = hosted(QStringLiteral("Command2"), this);
    m_command2->setToolTip(QStringLiteral(" Hide Stashbox. "));

    // The strip that stays on screen when the window is retracted: the pointer over it slides it out.
    m_clipHandle = new QWidget(this);
    m_clipHandle->setObjectName(QStringLiteral("ClipHandle"));
    m_clipHandle->setMouseTracking(true);
    m_clipHandle->installEventFilter(this);

    m_label8 = new QLabel(QStringLiteral("About Stashbox"), this);
    m_label8->setObjectName(QStringLiteral("Label8"));
    m_label8->setCursor(Qt::PointingHandCursor);
    m_label8->installEventFilter(this);

    m_itemNameBox = new QFrame(this);
    m_itemNameBox->setObjectName(QStringLiteral("ItemNameBox"));
    m_itemNameBox->setFrameShape(QFrame::Box);
    m_itemNameBox->setAutoFillBackground(true);
    auto* caption = new QLabel(QStringLiteral(" Enter a name for this item."), m_itemNameBox);
    caption->move(2, 1);
    m_txtItemName = new QLineEdit(m_itemNameBox);
    m_txtItemName->setObjectName(QStringLiteral("txtItemName"));
    m_txtItemName->installEventFilter(this);
    m_itemNameBox->hide();

    m_optionsPage = new OptionsPage(
        *m_settings, *m_commands, m_dialogs,
        [this](const QString& name, QWidget* parent) { return hosted(name, parent); }, this);
    // The window may be on the screen already: what is not hidden until needed is shown with it.
    for (QWidget* control :
         {static_cast<QWidget*>(m_gridView), m_picture1, static_cast<QWidget*>(m_check1),
          static_cast<QWidget*>(m_label1), m_cmdExit, m_command2, m_clipHandle, static_cast<QWidget*>(m_label8)})
        control->show();
    // Every hosted control is made: the design data is no longer needed.
    m_design.clear();
    m_form = FormData();
}

// A control of the form, created by its ProgID with the properties the form data keeps for it. A
// control that cannot be created leaves an empty place and a line in controlProblems().
QWidget* frmTrove::hosted(const QString& name, QWidget* parent)
{
    const auto design = std::find_if(m_design.begin(), m_design.end(),
                                     [&name](const FormDesign::Control& c) { return c.name == name; });
    QString error;
    QWidget* control =
        design == m_design.end() ? nullptr : FormDesign::create(*m_controls, m_form, *design, parent, &error);
    if (!control) {
        // One line for what is wrong, however many controls it costs.
        if (const QString problem = error.isEmpty() ? name : error; !m_controlProblems.contains(problem))
            m_controlProblems << problem;
        control = new QWidget(parent);
        control->setObjectName(name);
    }
    return control;
}

void frmTrove::Command5_Click()
{
    m_placement->clearSkipTrayZoom();
    m_optionsPage->showPage();
}

// The tray-icon control, from its library beside the program. Without it the tray mode only hides
// the window.
void frmTrove::createTrayIcon()
{
    QString error;
    m_zqtray1 = m_controls->CreateControl(QStringLiteral("ZqTray_build2.Zqtray"), this, &error);
    if (!m_zqtray1)
        return;
    m_zqtray1->setObjectName(QStringLiteral("Zqtray1"));
    m_zqtray1->hide();
}

// The tray icon's clicks, its menu and its tooltip.
void frmTrove::wireTrayIcon()
{
    TrayMenu::Actions actions;
    actions.show = [this] { m_placement->showFromTray(); };
    actions.options = [this] {
        m_placement->showFromTray();
        Command5_Click();
    };
    actions.about = [this] { showAbout(); };
    actions.help = [this] { openHelp(); };
    actions.exit = [this] { cmdExit_Click(); };
    m_trayMenu = std::make_unique<TrayMenu>(m_dialogs,
                                            TrayMenu::Pictures{m_pictures.showClip.image(), m_pictures.options.image(),
                                                               m_pictures.help.image(), m_pictures.deleteItem.image()},
                                            std::move(actions));
    ControlHost::connectEvent(m_zqtray1, "LeftButtonClick", this, [this] { m_placement->showFromTray(); });
    ControlHost::connectEvent(m_zqtray1, "RightButtonClick", this, [this] { m_trayMenu->open(QCursor::pos()); });
    ControlHost::connectEvent(m_zqtray1, "MouseMove", this, [this] {
        m_zqtray1->setProperty("ToolTipText", TrayMenu::toolTip(m_store.countLabelText()));
    });
}

// The About box, modal; while it is open, asking again only brings it forward.
void frmTrove::showAbout()
{
    m_items->LoseNameBox();
    if (m_about) {
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    m_about = new frmAbout(m_dialogs, *m_controls, this);
    m_about->setAttribute(Qt::WA_DeleteOnClose);
    if (m_probe) {
        m_probe->addControl(QStringLiteral("frmAbout"), m_about);
        m_probe->addControl(QStringLiteral("frmAbout.Label2"), m_about->Label2());
    }
    m_about->exec();
}

// The help page beside the program, in the desktop's browser; without it nothing happens.
void frmTrove::openHelp()
{
    const QString page = AppFolder::programFolder() + QStringLiteral("/Stashbox Help.html");
    if (QFileInfo(page).isFile())
        QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

// Every control at its place, twips converted to pixels.
void frmTrove::placeControls()
{
    place(m_gridView, 480, 1020, 3195, 3795);
    // The strip's controls are placed within it.
    place(m_picture1, 480, 4815, 3195, 405);
    place(m_lblItemCount, 1920, 45, 810, 255);
    place(m_command4, 15, 15, 420, 330);
    place(m_command3, 450, 15, 420, 330);
    place(m_command5, 885, 15, 420, 330);
    place(m_cmdHelp, 1320, 15, 420, 330);
    place(m_command1, 2745, 15, 390, 330);
    place(m_check1, 450, 540, 180, 180);
    place(m_label1, 660, 525, 510, 195);
    m_label1->adjustSize();
    place(m_cmdExit, 420, 5520, 270, 240);
    place(m_command2, 3495, 525, 270, 255);
    place(m_clipHandle, 3735, 1395, 225, 3420);
    place(m_label8, 1590, 5550, 1620, 195);
    place(m_itemNameBox, 1050, 465, 1980, 540);
    m_txtItemName->setGeometry(ScreenMetrics::toPixels(60, 225, 1845, 240));
}

// The controls' events to the classes that act on them, and their changes back to the controls.
void frmTrove::wireControls()
{
    connect(&m_store, &ClipStore::countChanged, this, &frmTrove::showCount);
    // Find by typing in the list; Escape ends it, and with nothing to end sends the window back.
    connect(m_filter, &ListFilter::changed, this, &frmTrove::showCount);
    connect(m_filter, &ListFilter::changed, m_gridView, [this] { m_gridView->findActive = m_filter->isActive(); });
    connect(m_gridView, &GridView::typed, m_filter, &ListFilter::type);
    connect(m_gridView, &GridView::backspacePressed, m_filter, &ListFilter::backspace);
    connect(m_gridView, &GridView::escapePressed, this, [this] {
        if (!m_filter->clear())
            m_summon.hide();
    });
    connect(m_gridView, &GridView::rowPicked, this, [this] { m_summon.itemPicked(); });
    connect(m_dataFiles, &DataFiles::savingChanged, this, &frmTrove::savingChanged);
    // The full-list warning is shown over the window, which must be in view for it; an item is taken
    // with the window out on top.
    m_capture.showForWarning = [this] { m_placement->bringIntoView(); };
    m_capture.beforeTaking = [this] {
        if (m_placement->isExtended())
            SetTopmost(true);
    };
    m_capture.listFits = [this](const ClipItem& item) { return m_dataFiles->listFits(item); };
    ControlHost::connectEvent(m_command2, "Click", this, [this] { Retract(); });
    connect(m_settings, &Settings::command2CaptionChanged, m_command2,
            [this](const QString& caption) { m_command2->setProperty("Caption", caption); });
    connect(m_check1, &QCheckBox::clicked, this, &frmTrove::Check1_Click);
    ControlHost::connectEvent(m_command1, "Click", m_items, [this] { m_items->Command1_Click(); });
    ControlHost::connectEvent(m_cmdHelp, "Click", this, [this] {
        m_items->LoseNameBox();
        openHelp();
    });
    ControlHost::connectEvent(m_cmdExit, "Click", this, [this] { cmdExit_Click(); });
    ControlHost::connectEvent(m_command5, "Click", this, [this] { Command5_Click(); });
    ControlHost::connectEvent(m_command3, "Click", m_dataFiles, [this] { m_dataFiles->Command3_Click(); });
    ControlHost::connectEvent(m_command4, "Click", m_dataFiles, [this] { m_dataFiles->Command4_Click(); });
    connect(m_dataFiles, &DataFiles::aboutToAct, m_items, &ItemInteraction::LoseNameBox);
    connect(m_optionsPage, &OptionsPage::aboutToAct, m_items, &ItemInteraction::LoseNameBox);
    connect(m_optionsPage, &OptionsPage::startWithWinClicked, this, &frmTrove::applyStartWithWin);
    connect(m_txtItemName, &QLineEdit::textEdited, m_items, &ItemInteraction::setNameBoxText);

    connect(&m_grid, &GridModel::beforeRowColChange, m_items, &ItemInteraction::beforeRowColChange);
    connect(&m_grid, &GridModel::afterRowColChange, m_items, &ItemInteraction::afterRowColChange);
    connect(&m_grid, &GridModel::mouseDown, m_items, &ItemInteraction::mouseDown);
    connect(&m_grid, &GridModel::cellButtonClick, m_items, &ItemInteraction::cellButtonClick);
    connect(m_items, &ItemInteraction::nameBoxChanged, this, &frmTrove::syncNameBox);
    connect(m_items, &ItemInteraction::viewTextRequested, this, &frmTrove::showTextViewer);
    connect(m_items, &ItemInteraction::viewImageRequested, this, &frmTrove::showImageViewer);
    connect(m_items, &ItemInteraction::keepOnTop, this, [this] { SetTopmost(true); });
    connect(m_items, &ItemInteraction::processEvents, this, [] { QCoreApplication::processEvents(); });
}

// The state and the controls' screen rectangles, for the desktop tests.
void frmTrove::attachStateProbe(const QString& path)
{
    m_probe = new StateProbe(path, m_store, m_capture, this);
    m_probe->addControl(QStringLiteral("Grid"), m_gridView);
    m_probe->rowScreenRect = [this](int row) {
        const QRect r = m_gridView->rowRect(row);
        return r.isEmpty() ? r : QRect(m_gridView->viewport()->mapToGlobal(r.topLeft()), r.size());
    };
    m_probe->addControl(QStringLiteral("Command3"), m_command3);
    m_probe->addControl(QStringLiteral("Command4"), m_command4);
    m_probe->addControl(QStringLiteral("lblItemCount"), m_lblItemCount);
    m_probe->addControl(QStringLiteral("Check1"), m_check1);
    m_probe->addControl(QStringLiteral("Command1"), m_command1);
    m_probe->addControl(QStringLiteral("cmdExit"), m_cmdExit);
    m_probe->addControl(QStringLiteral("cmdHelp"), m_cmdHelp);
    m_probe->addControl(QStringLiteral("Label8"), m_label8);
    m_probe->placementState = [this] {
        return QJsonObject{{"extended", m_placement->isExtended()}, {"trayZooms", m_trayZooms}};
    };
    m_probe->keyboardState = [this] {
        const QWidget* focus = QApplication::focusWidget();
        return QJsonObject{{"active", isActiveWindow()},
                           {"focus", focus ? focus->objectName() : QString()},
                           {"summoned", m_summon.isSummoned()},
                           {"query", m_filter->query()},
                           {"matches", m_filter->matches()}};
    };
    connect(qApp, &QApplication::focusChanged, m_probe, &StateProbe::schedule);
    connect(m_filter, &ListFilter::changed, m_probe, &StateProbe::schedule);
    m_probe->addControl(QStringLiteral("Command2"), m_command2);
    m_probe->addControl(QStringLiteral("ClipHandle"), m_clipHandle);
    m_probe->addControl(QStringLiteral("txtItemName"), m_txtItemName);
    m_probe->addControl(QStringLiteral("Command5"), m_command5);
    m_probe->addControl(QStringLiteral("Options"), m_optionsPage);
    m_probe->addControl(QStringLiteral("StartWithWin"), m_optionsPage->StartWithWin());
    m_probe->addControl(QStringLiteral("commandtext"), m_optionsPage->commandtext());
    m_probe->addControl(QStringLiteral("cmdSave"), m_optionsPage->cmdSave());
    connect(m_items, &ItemInteraction::nameBoxChanged, m_probe, &StateProbe::schedule);
}

frmTrove::~frmTrove() = default;

void frmTrove::place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(ScreenMetrics::toPixels(left, top, width, height));
}

QString frmTrove::settingsPath() const
{
    return m_settings->settingsPath();
}

QString frmTrove::welcomeMarkerPath() const
{
    return m_userFolder + QLatin1Char('/') + AppFolder::userName() + QStringLiteral(".welcomed");
}

QString frmTrove::welcomeMessage()
{
    return QStringLiteral("Stashbox has been successfully installed and is ready for use. \r\n"
                          "You will find it on the left side of your screen, just move the mouse over it.\r\n"
                          "To make an item active for pasting, select it from the list.\r\n"
                          "Items you copy will be automatically saved in the clipboard list.\r\n"
                          "Questions and comments are welcome by e-mail to ")
        + SupportAddress + QLatin1Char('.');
}

void frmTrove::load(const std::function<void()>& ready)
{
    // The single-instance test has run before the window was made (see main).
    setWindowTitle(ProgramTitle);

    // The settings, the item limit and the list's rows. Reading them may let events run, and with
    // them a termination request: then the list on disk is left as it is. Whether pictures may be
    // taken is known before the first copy is.
    m_settings->LoadOptions(Settings::ProcessCheck::Later);
    if (m_closed)
        return;

    // Where the window hides and the capture switch, as the options say.
    m_settings->hideMode = m_settings->panel.screenSide ? QStringLiteral("w") : QStringLiteral("s");
    m_capture.captureOn = m_settings->panel.startInOnMode;

    // The window's outline, once (it is not rebuilt when the window or the screen changes), then the
    // window at its place: retracted at the screen edge, or hidden at its place for the tray. Only
    // the edge of its background is in view there, so its controls are made once that is drawn.
    setMask(WindowShape(ScreenMetrics::twipsPerPixelX(), ScreenMetrics::twipsPerPixelY()).region());
    updatePlacementGeometry();
    m_placement->placeAtStart();
    waitForFirstFrame();
    if (m_closed)
        return;
    buildControls();
    placeControls();
    wireControls();
    // Without its buttons and check boxes the window cannot be used: the caller says so and ends.
    if (!m_controlProblems.isEmpty()) {
        hide();
        return;
    }
    if (const QString probePath = StateProbe::pathFromEnvironment(); !probePath.isEmpty())
        attachStateProbe(probePath);

    // The name box takes 30 characters; the capture switch never takes the keyboard focus.
    m_txtItemName->setMaxLength(30);
    m_check1->setFocusPolicy(Qt::NoFocus);
    m_check1->setChecked(m_capture.captureOn);
    m_command2->setProperty("Caption", m_settings->command2Caption());
    m_label8->setText(QStringLiteral("About Stashbox v") + frmAbout::versionNumbers());
    // The version may need more room than the label was drawn with.
    m_label8->resize(std::max(m_label8->width(), m_label8->sizeHint().width()), m_label8->height());

    // What the first frame does not need: the tray-icon control (its tooltip gives it a window) and
    // the start-with-system entry.
    createTrayIcon();
    if (m_zqtray1) {
        wireTrayIcon();
        m_zqtray1->setProperty("ToolTipText", QStringLiteral(" Stashbox "));
    }
    applyStartWithWin();

    // The list: the chosen start-up file, or else the last session's list; what writes cut short
    // left beside them goes first.
    m_dataFiles->removeLeftovers();
    const bool fileOpened = m_dataFiles->loadStartupFile();
    if (!fileOpened && m_settings->saveOnExit)
        m_dataFiles->restoreAutosave();
    m_listRestored = true;
    // Reading a list reads the options again, and with them looks for the screen-capture program.
    m_settings->applyDeferredProcessCheck();
    // From here on the list on disk follows the list in memory.
    connect(&m_grid, &GridModel::changed, m_dataFiles, &DataFiles::listChanged);
    connect(m_commands, &CommandBox::saveOnExitChanged, m_dataFiles, &DataFiles::listChanged);
    m_dataFiles->listChanged();

    // How a picked item grows, and the picture of the row's menu button.
    m_items->expandedHeight = 1020;
    m_grid.setCellButtonPicture(m_pictures.buttonArrow);

    // The current row's menu button, when that row holds an item.
    m_items->showCellButtonFor(m_grid.row());

    // From here on, copies in other programs come into the list.
    BecomeClipboardViewer();
    m_capture.ownWriteGuard = true;

    // Only the label column shows; the window stays on top; the first row is current.
    m_grid.setWidth(3200);
    m_grid.setColWidth(0, 2900);
    m_grid.setColWidth(1, 0);
    m_grid.setColWidth(2, 0);
    SetTopmost(true);
    m_grid.select(0, 0);
    m_grid.redraw();

    SubclassAgain();

    m_check1->setChecked(m_capture.captureOn);

    if (m_placement->inTrayMode())
        m_placement->startInTray();

    // The first start of this user. The box lets events run: copies, and a termination request.
    if (!QFile::exists(welcomeMarkerPath())) {
        QFile marker(welcomeMarkerPath());
        if (marker.open(QIODevice::WriteOnly))
            marker.close();
        m_dialogs.message(welcomeMessage(), ProgramTitle, DialogsPort::Icon::Information, DialogsPort::Buttons::Ok);
        if (m_closed)
            return;
    }
    // The last session's list could not be read: where it was kept, in a box that waits for nothing.
    if (const QString problem = m_dataFiles->restoreProblem(); !problem.isEmpty())
        m_dialogs.notice(problem, ProgramTitle);

    // The key for the whole desktop, and what was asked for at start.
    grabHotkey();
    if (ready) {
        ready();
        if (m_closed)
            return;
    }

    // What is on the clipboard now, unless a file was chosen for the start or there is no room.
    if (!fileOpened && m_store.itemCount() < m_store.itemLimit() && m_capture.captureOn)
        m_capture.captureAtStartup();

    if (m_probe)
        m_probe->schedule();
}

void frmTrove::applyStartWithWin()
{
    // Failures are not reported; the entry is applied again at the next start.
    StartWithSystem::apply(*m_registry, m_settings->panel.startWithWin, AppFolder::programPath());
}

void frmTrove::BecomeClipboardViewer()
{
    m_viewer = true;
    connect(&m_clipboard, &ClipboardPort::changed, this, [this] {
        if (m_viewer)
            m_capture.clipboardChanged();
    });
}

void frmTrove::UnbecomeClipboardViewer()
{
    m_viewer = false;
    disconnect(&m_clipboard, &ClipboardPort::changed, this, nullptr);
}

// Into or out of the always-on-top band; the window's own place and size are applied again and it
// is shown without taking the focus.
void frmTrove::SetTopmost(bool on)
{
    m_topmost = on;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // Changing the widget's flags would hide and re-create the window: tell the window system
    // directly and only record the flag on the widget.
    overrideWindowFlags(flags);
    if (QWindow* w = windowHandle())
        w->setFlags(flags);
    setGeometry(geometry());
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

// Another program becoming the active one hides the window when auto-hide is ticked.
void frmTrove::SubclassAgain()
{
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &frmTrove::applicationStateChanged,
            Qt::UniqueConnection);
}

void frmTrove::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationInactive && m_settings->panel.autoHide)
        Retract();
}

void frmTrove::updatePlacementGeometry()
{
    const QSize screen = ScreenMetrics::screenSizePixels();
    m_placement->setGeometry({3915, 5850, ScreenMetrics::roundNearest(ScreenMetrics::toTwipsX(screen.width())),
                              ScreenMetrics::roundNearest(ScreenMetrics::toTwipsY(screen.height()))});
}

int frmTrove::leftTwips() const
{
    return ScreenMetrics::roundNearest(ScreenMetrics::toTwipsX(x()));
}

int frmTrove::topTwips() const
{
    return ScreenMetrics::roundNearest(ScreenMetrics::toTwipsY(y()));
}

void frmTrove::setLeftTwips(int twips)
{
    m_wantedPos = QPoint(ScreenMetrics::toPixelsX(twips), y());
    move(*m_wantedPos);
}

void frmTrove::setTopTwips(int twips)
{
    m_wantedPos = QPoint(x(), ScreenMetrics::toPixelsY(twips));
    move(*m_wantedPos);
}

void frmTrove::letEventsRun()
{
    QCoreApplication::processEvents();
}

void frmTrove::setShown(bool on)
{
    setVisible(on);
}

void frmTrove::showForm()
{
    show();
    raise();
}

void frmTrove::relayList()
{
    m_grid.setWidth(3250);
    m_grid.setWidth(3200);
    m_grid.setColWidth(0, 2900);
}

void frmTrove::loseNameBox()
{
    m_items->LoseNameBox();
}

// The outline between the window and the notification area, whose rectangle narrows to a
// vertical line at its middle.
void frmTrove::TrayZoom(bool fromTray)
{
    QRect area = NotificationArea::rect();
    // Without a notification area, the corner where one usually is.
    if (area.isEmpty())
        area = QRect(screen()->geometry().bottomRight() - QPoint(24, 24), QSize(24, 24));
    const QRect tray = Placement::trayLine(area);
    ++m_trayZooms;
    if (m_probe)
        m_probe->schedule();
    const QRect window = frameGeometry();
    if (fromTray)
        ZoomOutline::animate(tray, window);
    else
        ZoomOutline::animate(window, tray);
}

void frmTrove::setTrayIcon(const QString& path)
{
    if (m_zqtray1)
        QMetaObject::invokeMethod(m_zqtray1, "SystemTray_Icon", Q_ARG(QString, path), Q_ARG(QString*, nullptr));
}

void frmTrove::addToTray(const QString& toolTip)
{
    if (m_zqtray1)
        QMetaObject::invokeMethod(m_zqtray1, "AddToSystemTray", Q_ARG(QObject*, this), Q_ARG(QString, toolTip));
}

void frmTrove::startDrag(const QPoint& globalPos)
{
    m_dragOffset = globalPos - pos();
}

bool frmTrove::dragTo(const QPoint& globalPos)
{
    if (!m_dragOffset)
        return false;
    m_wantedPos = globalPos - *m_dragOffset;
    move(*m_wantedPos);
    return true;
}

// The dropped window is kept on the screen.
bool frmTrove::endDrag()
{
    if (!m_dragOffset)
        return false;
    m_dragOffset.reset();
    updatePlacementGeometry();
    m_placement->clampAfterDrag();
    return true;
}

void frmTrove::Check1_Click()
{
    m_items->LoseNameBox();
    m_capture.captureOn = m_check1->isChecked();
    if (m_probe)
        m_probe->schedule();
}

void frmTrove::showCount()
{
    // The label says why the list is not saved, and the same once more when it is again.
    m_lblItemCount->setToolTip(
        m_store.countState() == ClipStore::CountState::Unsaved
            ? QLatin1Char(' ') + m_dataFiles->saveProblem()
                + QStringLiteral(" Stashbox keeps trying; your items stay in the list. ")
            : QStringLiteral(" Number of items currently on the clipboard.  Stashbox can hold up to 20 items. "));
    if (!m_filter->isActive()) {
        m_lblItemCount->setText(m_store.countLabelText());
        return;
    }
    // A long query shows its end, the characters just typed.
    const QFontMetrics fm(m_lblItemCount->font());
    const int room = m_lblItemCount->width() - fm.horizontalAdvance(ListFilter::countLabelFor({}, m_filter->matches()));
    m_lblItemCount->setText(ListFilter::countLabelFor(
        fm.elidedText(m_filter->query(), Qt::ElideLeft, std::max(room, 0)), m_filter->matches()));
}

void frmTrove::Retract()
{
    m_placement->Retract();
    if (m_placement->isExtended())
        return;
    m_summon.retracted();
    m_filter->clear();
}

// Summoned: the window takes the keyboard, the newest item current.
void frmTrove::takeKeyboard()
{
    raise();
    activateWindow();
    m_gridView->setFocus(Qt::ShortcutFocusReason);
    m_grid.select(0, 0);
    m_gridView->ensureVisible(0);
}

quintptr frmTrove::focusedWindow() const
{
    const quintptr window = m_keyboard ? m_keyboard->focusedWindow() : 0;
    return window == internalWinId() ? 0 : window;
}

void frmTrove::giveFocusTo(quintptr window)
{
    if (m_keyboard)
        m_keyboard->giveFocusTo(window);
}

// Read once at start: the default Ctrl+Alt+V, none when the value is empty. What cannot be used is
// said once on standard error, and the program goes on without the key.
void frmTrove::grabHotkey()
{
    const QString text = m_settings->hotkey;
    if (text.trimmed().isEmpty())
        return;
    const std::optional<QKeyCombination> key = Settings::parseHotkey(text);
    if (!key) {
        std::fprintf(stderr, "Stashbox: the key \"%s\" (Hotkey in %s) is not a key; Stashbox goes on without one.\n",
                     qPrintable(text), qPrintable(settingsPath()));
        return;
    }
    m_keyboard = DesktopKeyboard::forDesktop();
    if (!m_keyboard)
        return;
    const QString name = QKeySequence(*key).toString(QKeySequence::PortableText);
    switch (m_keyboard->grab(*key)) {
    case DesktopKeyboard::Grab::Done:
        connect(m_keyboard.get(), &DesktopKeyboard::pressed, this, [this] { m_summon.toggle(); });
        return;
    case DesktopKeyboard::Grab::Taken:
        std::fprintf(stderr, "Stashbox: the key %s is taken by another program; Stashbox goes on without it.\n",
                     qPrintable(name));
        return;
    case DesktopKeyboard::Grab::NoSuchKey:
        std::fprintf(stderr, "Stashbox: the keyboard has no key %s; Stashbox goes on without it.\n", qPrintable(name));
        return;
    }
}

void frmTrove::savingChanged(bool failing)
{
    m_store.setCountState(failing ? ClipStore::CountState::Unsaved : ClipStore::CountState::Items);
    std::fprintf(stderr, "Stashbox: %s\n",
                 failing ? qPrintable(m_dataFiles->saveProblem()) : "the list is saved to disk again.");
    if (m_probe)
        m_probe->schedule();
}

void frmTrove::syncNameBox()
{
    const ItemInteraction::NameBox& box = m_items->nameBox();
    if (m_txtItemName->text() != box.text)
        m_txtItemName->setText(box.text);
    if (box.visible) {
        m_itemNameBox->move(ScreenMetrics::toPixelsX(box.left), ScreenMetrics::toPixelsY(box.top));
        m_itemNameBox->show();
        m_itemNameBox->raise();
        m_txtItemName->setFocus();
    } else {
        m_itemNameBox->hide();
    }
}

void frmTrove::showTextViewer(int row)
{
    if (!m_textShow)
        m_textShow = new frmTextShow(m_grid.textMatrix(row, 2), this);
    m_textShow->show();
    m_textShow->raise();
    m_textShow->activateWindow();
}

void frmTrove::showImageViewer(int row)
{
    if (!m_imageShow)
        m_imageShow = new frmImageShow(m_grid.cellPicture(row, 1), this);
    m_imageShow->show();
    m_imageShow->raise();
    m_imageShow->activateWindow();
}

void frmTrove::cmdExit_Click()
{
    m_items->LoseNameBox();
    SetTopmost(false);
    if (m_settings->panel.promptOnExit) {
        if (m_dialogs.message(QStringLiteral(" Are you sure you want to close Stashbox?"), ProgramTitle,
                              DialogsPort::Icon::None, DialogsPort::Buttons::YesNo)
            == DialogsPort::Answer::No) {
            SetTopmost(true);
            return;
        }
        if (m_store.countLabelText().section(QLatin1Char(' '), 0, 0).toInt() > 0
            && m_dialogs.message(QStringLiteral("Save clipboard data?"), ProgramTitle, DialogsPort::Icon::None,
                                 DialogsPort::Buttons::YesNo)
                == DialogsPort::Answer::Yes)
            m_dataFiles->Command3_Click();
    }
    // A list that cannot be written now is lost with the program: the user decides.
    if (m_listRestored && !m_autosaveWritten.has_value()) {
        m_autosaveWritten = m_dataFiles->writeAutosave();
        if (!*m_autosaveWritten && !confirmExitUnsaved()) {
            m_autosaveWritten.reset();
            m_dataFiles->resumeSession();
            SetTopmost(true);
            return;
        }
    }
    closeInOrder();
}

QString frmTrove::unsavedReport() const
{
    const QStringList items = m_dataFiles->unsavedItems();
    QString report = m_dataFiles->saveProblem();
    if (items.isEmpty())
        return report + QStringLiteral("\r\nThe last list written to disk holds every item.");
    report += QStringLiteral("\r\nNot saved: ") + QString::number(items.size())
        + (items.size() == 1 ? QStringLiteral(" item") : QStringLiteral(" items"));
    for (const QString& item : items)
        report += QStringLiteral("\r\n  ") + item;
    return report;
}

bool frmTrove::confirmExitUnsaved()
{
    return m_dialogs.message(unsavedReport() + QStringLiteral("\r\n\r\nExit anyway?"), ProgramTitle,
                             DialogsPort::Icon::Exclamation, DialogsPort::Buttons::YesNo)
        == DialogsPort::Answer::Yes;
}

void frmTrove::closeInOrder()
{
    if (m_closed)
        return;
    m_closed = true;
    QueryUnload();
    Unload();
    close();
}

void frmTrove::closeEvent(QCloseEvent* event)
{
    closeInOrder();
    event->accept();
}

void frmTrove::QueryUnload()
{
    // Closing is never cancelled; a failed autosave cannot be helped at this point. Until the list
    // was restored, the autosave on disk is the only copy of the last session's list.
    if (m_listRestored && !m_autosaveWritten.has_value())
        m_autosaveWritten = m_dataFiles->writeAutosave();
    if (m_autosaveWritten == false)
        std::fprintf(stderr, "Stashbox: %s\n", qPrintable(QString(unsavedReport()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
}

void frmTrove::Unload()
{
    UnbecomeClipboardViewer();
    disconnect(qApp, &QGuiApplication::applicationStateChanged, this, nullptr);
    if (m_textShow)
        m_textShow->close();
    if (m_imageShow)
        m_imageShow->close();
    if (m_about)
        m_about->reject();
}

void frmTrove::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    const Picture skin = m_settings->skin();
    if (!skin.isNull()) {
        QPainter p(this);
        p.drawImage(QPoint(0, 0), skin.thumbnail(skin.size()));
    }
    // The frame goes to the screen when the painting is over.
    m_painted = true;
    if (m_firstFrame)
        m_firstFrame->quit();
}

// The window on the screen is drawn before anything else is done: the window system's answer is
// awaited (for a short time at most), events run meanwhile, but no input reaches the window yet.
void frmTrove::waitForFirstFrame()
{
    if (!isVisible() || m_painted)
        return;
    QEventLoop loop;
    m_firstFrame = &loop;
    QTimer::singleShot(FirstFrameWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_firstFrame = nullptr;
}

void frmTrove::mousePressEvent(QMouseEvent* event)
{
    m_items->LoseNameBox();
    if (m_placement->backgroundDrags())
        startDrag(event->globalPosition().toPoint());
    QWidget::mousePressEvent(event);
}

void frmTrove::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragTo(event->globalPosition().toPoint()))
        QWidget::mouseMoveEvent(event);
}

void frmTrove::mouseReleaseEvent(QMouseEvent* event)
{
    if (!endDrag())
        QWidget::mouseReleaseEvent(event);
}

void frmTrove::showEvent(QShowEvent* event)
{
    m_overruleWm = true;
    QWidget::showEvent(event);
}

// A window manager may put a window that is partly off the screen back onto it when it shows it;
// where the window is belongs to the placement, so that first move is undone.
void frmTrove::moveEvent(QMoveEvent* event)
{
    if (event->spontaneous() && std::exchange(m_overruleWm, false) && m_wantedPos && pos() != *m_wantedPos)
        move(*m_wantedPos);
    QWidget::moveEvent(event);
}

// The form's own focus (not that of its controls).
void frmTrove::focusInEvent(QFocusEvent* event)
{
    SetTopmost(true);
    QWidget::focusInEvent(event);
}

void frmTrove::focusOutEvent(QFocusEvent* event)
{
    SetTopmost(true);
    Retract();
    QWidget::focusOutEvent(event);
}

bool frmTrove::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtItemName && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            m_items->nameBoxKeyUp(13);
        else if (key == Qt::Key_Escape)
            m_items->nameBoxKeyUp(27);
    } else if (watched == m_lblItemCount) {
        // The count label drags the window, out or not.
        const auto at = [event] { return static_cast<QMouseEvent*>(event)->globalPosition().toPoint(); };
        if (event->type() == QEvent::MouseButtonPress) {
            m_items->LoseNameBox();
            startDrag(at());
        } else if (event->type() == QEvent::MouseMove) {
            dragTo(at());
        } else if (event->type() == QEvent::MouseButtonRelease) {
            endDrag();
        }
    } else if (watched == m_label8 && event->type() == QEvent::MouseButtonRelease) {
        // Opened once the click is over: the box runs its own event loop.
        QMetaObject::invokeMethod(this, &frmTrove::showAbout, Qt::QueuedConnection);
    } else if (watched == m_clipHandle && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
        Extend();
    }
    return QWidget::eventFilter(watched, event);
}
