#include "optionspage.h"
#include "listconstants.h"

#include "commandbox.h"
#include "controlhost.h"
#include "dialogsport.h"
#include "screenmetrics.h"
#include "settings.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

namespace {
// Fonts differ in width from one desktop to the next: a caption that does not fit its room is
// drawn a little smaller rather than cut off or run under its neighbour.
void fitCaption(QLabel* label)
{
    QFont font = label->font();
    while (label->sizeHint().width() > label->width() && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label->setFont(font);
    }
}
} // namespace

OptionsPage::OptionsPage(Settings& settings, CommandBox& commands, DialogsPort& dialogs, HostedControls hosted,
                         QWidget* parent)
    : QFrame(parent)
    , m_settings(settings)
    , m_commands(commands)
    , m_dialogs(dialogs)
    , m_hosted(std::move(hosted))
{
    setObjectName(QStringLiteral("Options"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    place(this, -2865, 990, 3195, 4365);

    // The entry starts the program at the user's login on this platform; the texts say so.
    addCheck(75, QStringLiteral("Start Stashbox when I log in."),
             QStringLiteral(" Selecting this option will start Stashbox when you log in. "), &m_startWithWin,
             QStringLiteral("StartWithWin"));
    addCheck(525, QStringLiteral("Load clipboard file on startup."),
             QStringLiteral(" Selecting this option will load a file of your choice when the program starts. "),
             &m_loadFile, QStringLiteral("LoadFile"), 2490)
        ->setToolTip(QStringLiteral(
            " Selecting this option will load a clipboard file of your choice when the program starts. "));

    m_command6 = m_hosted(QStringLiteral("Command6"), this);
    m_command6->setToolTip(QStringLiteral(" Click to select a file. "));
    place(m_command6, 2505, 510, 255, 225);

    m_loadClipFileName = new QLineEdit(this);
    m_loadClipFileName->setObjectName(QStringLiteral("LoadClipFileName"));
    m_loadClipFileName->setToolTip(
        QStringLiteral(" Selecting this option will load a file of your choice when the program starts. "));
    place(m_loadClipFileName, 150, 765, 2925, 480);

    m_frame1 = new QGroupBox(QStringLiteral("When inactive, hide to:"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    place(m_frame1, 150, 1275, 2880, 750);
    m_screenSide = new QRadioButton(QStringLiteral("Screen Side"), m_frame1);
    m_screenSide->setObjectName(QStringLiteral("ScreenSide"));
    m_screenSide->setToolTip(
        QStringLiteral(" Selecting this option will cause Stashbox to hide on the left side of the screen. "));
    place(m_screenSide, 90, 195, 1300, 225);
    m_systemTray = new QRadioButton(QStringLiteral("System Tray"), m_frame1);
    m_systemTray->setObjectName(QStringLiteral("SystemTray"));
    m_systemTray->setToolTip(QStringLiteral(" Selecting this option will cause Stashbox to hide in the system tray. "));
    place(m_systemTray, 1440, 195, 1400, 225);
    auto* sideGroup = new QButtonGroup(m_frame1);
    sideGroup->addButton(m_screenSide);
    sideGroup->addButton(m_systemTray);
    m_vscroll = new QScrollBar(Qt::Horizontal, m_frame1);
    m_vscroll->setObjectName(QStringLiteral("Vscroll"));
    m_vscroll->setRange(1, 100);
    place(m_vscroll, 90, 465, 1080, 195);
    m_speedtxt = new QLineEdit(QStringLiteral("100"), m_frame1);
    m_speedtxt->setObjectName(QStringLiteral("speedtxt"));
    place(m_speedtxt, 1230, 435, 420, 240);
    auto* label3 = new QLabel(QStringLiteral("--------- Speed"), m_frame1);
    label3->setObjectName(QStringLiteral("Label3"));
    place(label3, 1710, 465, 1140, 195);
    fitCaption(label3);

    auto* label10 = new QLabel(QStringLiteral("Command"), this);
    label10->setObjectName(QStringLiteral("Label10"));
    place(label10, 180, 2100, 750, 195);
    fitCaption(label10);
    m_commandtext = new QLineEdit(this);
    m_commandtext->setObjectName(QStringLiteral("commandtext"));
    place(m_commandtext, 930, 2070, 2085, 240);

    addCheck(
        2385, QStringLiteral("Enable 'Auto Hide'."),
        QStringLiteral(
            " Selecting this option will cause Stashbox to hide anytime the desktop or another program is selected. "),
        &m_autoHide, QStringLiteral("AutoHide"));
    addCheck(
        2655, QStringLiteral("Start in 'On' (capture) mode."),
        QStringLiteral(" Selecting this option will cause Stashbox to start capturing clipboard data on startup. "),
        &m_startInOnMode, QStringLiteral("StartInOnMode"));
    addCheck(2925, QStringLiteral("Prompt to save on exit."),
             QStringLiteral(" Selecting this option will cause Stashbox to prompt you when it closes. "),
             &m_promptOnExit, QStringLiteral("PromptOnExit"));

    const QString lookTip = QStringLiteral(" Select the appearance of the program. ");
    m_frame2 = new QGroupBox(QStringLiteral("Clipboard"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setToolTip(lookTip);
    place(m_frame2, 150, 3180, 2880, 750);
    m_clipBrown = new QRadioButton(QStringLiteral("Brown"), m_frame2);
    m_clipBrown->setObjectName(QStringLiteral("ClipBrown"));
    m_clipBrown->setToolTip(lookTip);
    place(m_clipBrown, 90, 300, 1200, 225);
    m_clipBlue = new QRadioButton(QStringLiteral("Blue"), m_frame2);
    m_clipBlue->setObjectName(QStringLiteral("ClipBlue"));
    m_clipBlue->setToolTip(lookTip);
    place(m_clipBlue, 1500, 300, 1200, 225);
    auto* lookGroup = new QButtonGroup(m_frame2);
    lookGroup->addButton(m_clipBrown);
    lookGroup->addButton(m_clipBlue);

    m_cmdCancel = m_hosted(QStringLiteral("cmdCancel"), this);
    place(m_cmdCancel, 1605, 3975, 750, 315);
    m_cmdSave = m_hosted(QStringLiteral("cmdSave"), this);
    place(m_cmdSave, 2385, 3975, 750, 315);

    // The user's edits go into the settings' panel state.
    PanelOptions& p = m_settings.panel;
    onCheckClick(m_startWithWin, [this, &p] {
        p.startWithWin = isTicked(m_startWithWin);
        emit startWithWinClicked();
    });
    onCheckClick(m_loadFile, [this, &p] {
        p.loadFile = isTicked(m_loadFile);
        m_settings.LoadFile_Click();
    });
    onCheckClick(m_autoHide, [this, &p] { p.autoHide = isTicked(m_autoHide); });
    onCheckClick(m_startInOnMode, [this, &p] { p.startInOnMode = isTicked(m_startInOnMode); });
    onCheckClick(m_promptOnExit, [this, &p] { p.promptOnExit = isTicked(m_promptOnExit); });
    connect(m_loadClipFileName, &QLineEdit::textEdited, this, [&p](const QString& t) { p.loadClipFileName = t; });
    connect(m_speedtxt, &QLineEdit::textEdited, this, [&p](const QString& t) { p.speedText = t; });
    connect(m_screenSide, &QRadioButton::clicked, this, [this, &p] {
        p.screenSide = true;
        m_settings.ScreenSide_Click();
    });
    connect(m_systemTray, &QRadioButton::clicked, this, [this, &p] {
        p.screenSide = false;
        m_settings.SystemTray_Click();
    });
    connect(m_clipBlue, &QRadioButton::clicked, this, [this, &p] {
        p.clipBlue = true;
        p.clipBrown = false;
        m_settings.ClipBlue_Click();
    });
    connect(m_clipBrown, &QRadioButton::clicked, this, [this, &p] {
        p.clipBrown = true;
        p.clipBlue = false;
        m_settings.ClipBrown_Click();
    });
    connect(m_vscroll, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_syncing)
            m_settings.Vscroll_Change(v);
    });
    connect(m_commandtext, &QLineEdit::textChanged, &m_commands, &CommandBox::commandtext_Change);
    connect(&m_commands, &CommandBox::clearRequested, m_commandtext, &QLineEdit::clear);
    connect(&m_commands, &CommandBox::cancelRequested, this, &OptionsPage::cmdCancel_Click);
    onClick(m_command6, [this] { Command6_Click(); });
    onClick(m_cmdSave, [this] { cmdSave_Click(); });
    onClick(m_cmdCancel, [this] { cmdCancel_Click(); });
    connect(&m_settings, &Settings::panelChanged, this, &OptionsPage::syncFromSettings);

    syncFromSettings();
    hide();
}

void OptionsPage::place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(ScreenMetrics::toPixels(left, top, width, height));
}

void OptionsPage::onClick(QWidget* control, std::function<void()> handler)
{
    ControlHost::connectEvent(control, "Click", this, std::move(handler));
}

// The box raises DblClick, not Click, for a second click soon after the first; a user who clicks
// twice wants the box changed twice.
void OptionsPage::onCheckClick(QWidget* check, const std::function<void()>& handler)
{
    onClick(check, handler);
    ControlHost::connectEvent(check, "DblClick", this, [check, handler] {
        tick(check, !isTicked(check));
        handler();
    });
}

bool OptionsPage::isTicked(QWidget* check)
{
    return check->property("Value").toInt() == 1;
}

void OptionsPage::tick(QWidget* check, bool on)
{
    check->setProperty("Value", on ? 1 : 0);
}

QLabel* OptionsPage::addCheck(int top, const QString& text, const QString& tip, QWidget** box, const QString& name,
                              int right)
{
    *box = m_hosted(name, this);
    (*box)->setToolTip(tip);
    place(*box, 150, top, 210, 225);
    auto* label = new QLabel(text, this);
    label->setToolTip(tip);
    label->setBuddy(*box);
    place(label, 420, top + 15, right - 420, 210);
    fitCaption(label);
    return label;
}

void OptionsPage::syncFromSettings()
{
    m_syncing = true;
    const PanelOptions& p = m_settings.panel;
    tick(m_startWithWin, p.startWithWin);
    tick(m_loadFile, p.loadFile);
    m_loadClipFileName->setText(p.loadClipFileName);
    m_command6->setProperty("Enabled", p.enabledFileControls);
    m_loadClipFileName->setEnabled(p.enabledFileControls);
    (p.screenSide ? m_screenSide : m_systemTray)->setChecked(true);
    if (m_speedtxt->text() != p.speedText)
        m_speedtxt->setText(p.speedText);
    m_vscroll->setValue(p.scrollValue);
    tick(m_autoHide, p.autoHide);
    tick(m_startInOnMode, p.startInOnMode);
    tick(m_promptOnExit, p.promptOnExit);
    m_clipBlue->setChecked(p.clipBlue);
    m_clipBrown->setChecked(p.clipBrown);
    m_syncing = false;
}

void OptionsPage::showPage()
{
    emit aboutToAct();
    m_settings.LoadOptions();
    m_settings.LoadFile_Click();
    place(this, 480, 1035, 3195, 4365);
    show();
    raise();
}

void OptionsPage::cmdSave_Click()
{
    if (!m_settings.SaveOptions()) {
        m_dialogs.message(m_settings.notSavedMessage(), ProgramTitle, DialogsPort::Icon::Critical,
                          DialogsPort::Buttons::Ok);
        // What is in force is what is stored.
        m_settings.LoadOptions();
    }
    hide();
    QCoreApplication::processEvents();
}

void OptionsPage::cmdCancel_Click()
{
    m_settings.LoadOptions();
    hide();
    QCoreApplication::processEvents();
}

void OptionsPage::Command6_Click()
{
    DialogsPort::FileRequest request;
    request.title = QStringLiteral("Stashbox Data");
    request.actionCaption = QStringLiteral("Open");
    request.initialFolder = m_settings.fileDialogFolder;
    request.filter = QStringLiteral("Stashbox Data Files|*.sbx|");
    const QString name = m_dialogs.chooseFile(request).trimmed();
    if (name.size() >= 2) {
        m_settings.panel.loadClipFileName = name;
        m_loadClipFileName->setText(name);
    }
}
