#include "frmtrove.h"
#include "listconstants.h"

#include "appfolder.h"
#include "clipboardport.h"
#include "commandbox.h"
#include "datafiles.h"
#include "dialogsport.h"
#include "gridview.h"
#include "optionspage.h"
#include "processlist.h"
#include "profilefile.h"
#include "registrystore.h"
#include "screenmetrics.h"
#include "startwithsystem.h"
#include "stateprobe.h"
#include "viewers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVersionNumber>
#include <QWindow>

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
    , m_dataFiles(new DataFiles(m_store, *m_settings, dialogs, AppFolder::programFolder(), userFolder,
                                AppFolder::userName(), this))
{
    buildControls();
    placeControls();
    wireControls();
    if (const QString probePath = StateProbe::pathFromEnvironment(); !probePath.isEmpty())
        attachStateProbe(probePath);
}

// The window and its controls, with their names, texts, tooltips and pictures.
void frmTrove::buildControls()
{
    setObjectName(QStringLiteral("frmTrove"));
    setWindowTitle(ProgramTitle);
    // The window was laid out for a narrow 8-point interface font.
    QFont small = font();
    small.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    small.setPointSize(8);
    setFont(small);

    m_gridView = new GridView(m_grid, this);
    m_gridView->setObjectName(QStringLiteral("Grid"));

    m_lblItemCount = new QLabel(ClipStore::countLabelFor(0), this);
    m_lblItemCount->setObjectName(QStringLiteral("lblItemCount"));
    m_lblItemCount->setToolTip(
        QStringLiteral(" Number of items currently on the clipboard.  Stashbox can hold up to 20 items. "));
    m_lblItemCount->installEventFilter(this);

    m_command4 = new QPushButton(this);
    m_command4->setIcon(QIcon(QPixmap::fromImage(m_pictures.openFile.image())));
    m_command4->setObjectName(QStringLiteral("Command4"));
    m_command4->setToolTip(QStringLiteral(" Open data file "));

    m_command3 = new QPushButton(this);
    m_command3->setIcon(QIcon(QPixmap::fromImage(m_pictures.saveFile.image())));
    m_command3->setObjectName(QStringLiteral("Command3"));
    m_command3->setToolTip(QStringLiteral(" Save data file "));

    m_command5 = new QPushButton(this);
    m_command5->setIcon(QIcon(QPixmap::fromImage(m_pictures.options.image())));
    m_command5->setObjectName(QStringLiteral("Command5"));
    m_command5->setToolTip(QStringLiteral(" Options"));

    m_command1 = new QPushButton(this);
    m_command1->setIcon(QIcon(QPixmap::fromImage(m_pictures.deleteItem.image())));
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setToolTip(QStringLiteral(" Delete selected item "));

    const QString captureTip = QStringLiteral(" Enable or disable capturing from the Windows clipboard. ");
    m_check1 = new QCheckBox(this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setToolTip(captureTip);
    m_label1 = new QLabel(QStringLiteral("On/Off"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setToolTip(captureTip);

    m_cmdExit = new QPushButton(QStringLiteral("X"), this);
    m_cmdExit->setObjectName(QStringLiteral("cmdExit"));
    m_cmdExit->setToolTip(QStringLiteral(" Close Stashbox. "));

    m_label8 = new QLabel(QStringLiteral("About Stashbox"), this);
    m_label8->setObjectName(QStringLiteral("Label8"));

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

    m_optionsPage = new OptionsPage(*m_settings, *m_commands, m_dialogs, this);
}

// Every control at its place, twips converted to pixels.
void frmTrove::placeControls()
{
    setFixedSize(ScreenMetrics::toPixelsX(3915), ScreenMetrics::toPixelsY(5850));
    place(m_gridView, 480, 1020, 3195, 3795);
    place(m_lblItemCount, 1920, 45, 810, 255);
    place(m_command4, 15, 15, 420, 330);
    place(m_command3, 450, 15, 420, 330);
    place(m_command5, 885, 15, 420, 330);
    place(m_command1, 2745, 15, 390, 330);
    place(m_check1, 450, 540, 180, 180);
    place(m_label1, 660, 525, 510, 195);
    m_label1->adjustSize();
    place(m_cmdExit, 420, 5520, 270, 240);
    place(m_label8, 1590, 5550, 1620, 195);
    place(m_itemNameBox, 1050, 465, 1980, 540);
    m_txtItemName->setGeometry(ScreenMetrics::toPixels(60, 225, 1845, 240));
}

// The controls' events to the classes that act on them, and their changes back to the controls.
void frmTrove::wireControls()
{
    connect(&m_store, &ClipStore::countChanged, this, &frmTrove::showCount);
    // The full-list warning is shown over the window, which must be in view for it.
    m_capture.showForWarning = [this] {
        show();
        raise();
    };
    connect(m_check1, &QCheckBox::clicked, this, &frmTrove::Check1_Click);
    connect(m_command1, &QPushButton::clicked, m_items, &ItemInteraction::Command1_Click);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmTrove::cmdExit_Click);
    connect(m_command5, &QPushButton::clicked, m_optionsPage, &OptionsPage::showPage);
    connect(m_command3, &QPushButton::clicked, m_dataFiles, &DataFiles::Command3_Click);
    connect(m_command4, &QPushButton::clicked, m_dataFiles, &DataFiles::Command4_Click);
    connect(m_dataFiles, &DataFiles::aboutToAct, m_items, &ItemInteraction::LoseNameBox);
    connect(m_optionsPage, &OptionsPage::aboutToAct, m_items, &ItemInteraction::LoseNameBox);
    connect(m_optionsPage, &OptionsPage::startWithWinClicked, this, &frmTrove::applyStartWithWin);
    connect(m_settings, &Settings::skinChanged, this, [this] { update(); });
    connect(m_settings, &Settings::processEvents, this, [] { QCoreApplication::processEvents(); });
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

void frmTrove::load()
{
    // The single-instance test has run before the window was made (see main). Invisible while it is
    // set up; the name box takes 30 characters; the capture switch never takes the keyboard focus.
    setWindowTitle(ProgramTitle);
    m_txtItemName->setMaxLength(30);
    m_check1->setFocusPolicy(Qt::NoFocus);

    // The settings, the item limit and the list's rows. Reading them may let events run, and with
    // them a termination request: then the list on disk is left as it is.
    m_settings->LoadOptions();
    if (m_closed)
        return;

    const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    m_label8->setText(QStringLiteral("About Stashbox v%1.%2.%3")
                          .arg(version.majorVersion())
                          .arg(version.minorVersion())
                          .arg(version.microVersion()));
    m_label8->adjustSize();

    // Where the window hides, the start-with-system entry and the capture switch, as the options say.
    m_settings->hideMode = m_settings->panel.screenSide ? QStringLiteral("w") : QStringLiteral("s");
    applyStartWithWin();
    m_capture.captureOn = m_settings->panel.startInOnMode;
    m_check1->setChecked(m_capture.captureOn);

    // The list: the chosen start-up file, or else the last session's list.
    const bool fileOpened = m_dataFiles->loadStartupFile();
    if (!fileOpened && m_settings->saveOnExit)
        m_dataFiles->restoreAutosave();
    m_listRestored = true;

    // How a picked item grows, and the picture of the row's menu button.
    m_items->expandedHeight = 1020;
    m_grid.setCellButtonPicture(m_pictures.buttonArrow);

    // The window's place at the screen side or in the tray comes with the placement.

    // The current row's menu button, when that row holds an item.
    m_items->showCellButtonFor(m_grid.row());

    // The window's outline comes with its shape.

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

    // The auto-hide hook comes with the placement.

    m_check1->setChecked(m_capture.captureOn);

    // Hiding in the tray at start comes with the tray.

    // The first start of this user. The box lets events run: copies, and a termination request.
    if (!QFile::exists(welcomeMarkerPath())) {
        QFile marker(welcomeMarkerPath());
        if (marker.open(QIODevice::WriteOnly))
            marker.close();
        m_dialogs.message(welcomeMessage(), ProgramTitle, DialogsPort::Icon::Information, DialogsPort::Buttons::Ok);
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
    StartWithSystem::apply(*m_registry, m_settings->panel.startWithWin,
                           AppFolder::programFolder() + QStringLiteral("/stashbox"));
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
}

void frmTrove::Check1_Click()
{
    m_items->LoseNameBox();
    m_capture.captureOn = m_check1->isChecked();
    if (m_probe)
        m_probe->schedule();
}

void frmTrove::showCount(int count)
{
    m_lblItemCount->setText(ClipStore::countLabelFor(count));
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
        if (m_lblItemCount->text().section(QLatin1Char(' '), 0, 0).toInt() > 0
            && m_dialogs.message(QStringLiteral("Save clipboard data?"), ProgramTitle, DialogsPort::Icon::None,
                                 DialogsPort::Buttons::YesNo)
                == DialogsPort::Answer::Yes)
            m_dataFiles->Command3_Click();
    }
    closeInOrder();
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
    if (m_listRestored)
        m_dataFiles->writeAutosave();
}

void frmTrove::Unload()
{
    UnbecomeClipboardViewer();
    if (m_textShow)
        m_textShow->close();
    if (m_imageShow)
        m_imageShow->close();
}

void frmTrove::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    const Picture skin = m_settings->skin();
    if (!skin.isNull()) {
        QPainter p(this);
        p.drawImage(QPoint(0, 0), skin.thumbnail(skin.size()));
    }
}

void frmTrove::mousePressEvent(QMouseEvent* event)
{
    m_items->LoseNameBox();
    QWidget::mousePressEvent(event);
}

bool frmTrove::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtItemName && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            m_items->nameBoxKeyUp(13);
        else if (key == Qt::Key_Escape)
            m_items->nameBoxKeyUp(27);
    } else if (watched == m_lblItemCount && event->type() == QEvent::MouseButtonPress) {
        m_items->LoseNameBox();
    }
    return QWidget::eventFilter(watched, event);
}
