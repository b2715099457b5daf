#include "frmtrove.h"

#include "appfolder.h"
#include "clipboardport.h"
#include "gridview.h"
#include "kindicons.h"
#include "profilefile.h"
#include "screenmetrics.h"
#include "stateprobe.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString Title = QStringLiteral("Stashbox");
const QString OptionsSection = QStringLiteral("SBOptions");
} // namespace

frmTrove::frmTrove(ClipboardPort& clipboard, DialogsPort& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_clipboard(clipboard)
    , m_dialogs(dialogs)
    , m_store(m_grid, makeKindIcons())
    , m_capture(m_store, clipboard, dialogs)
{
    setObjectName(QStringLiteral("frmTrove"));
    setWindowTitle(Title);

    m_gridView = new GridView(m_grid, this);
    m_gridView->setObjectName(QStringLiteral("Grid"));

    m_lblItemCount = new QLabel(ClipStore::countLabelFor(0), this);
    m_lblItemCount->setObjectName(QStringLiteral("lblItemCount"));
    m_lblItemCount->setToolTip(
        QStringLiteral(" Number of items currently on the clipboard.  Stashbox can hold up to 20 items. "));

    const QString captureTip = QStringLiteral(" Enable or disable capturing from the Windows clipboard.");
    m_check1 = new QCheckBox(this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setToolTip(captureTip);
    // The switch must never take the keyboard focus away from the list.
    m_check1->setFocusPolicy(Qt::NoFocus);
    m_lblOnOff = new QLabel(QStringLiteral("On/Off"), this);
    m_lblOnOff->setToolTip(captureTip);
    m_lblOnOff->setBuddy(m_check1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblItemCount);
    bottom->addStretch(1);
    bottom->addWidget(m_check1);
    bottom->addWidget(m_lblOnOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_gridView, 1);
    layout->addLayout(bottom);

    connect(&m_store, &ClipStore::countChanged, this, &frmTrove::showCount);
    connect(m_check1, &QCheckBox::clicked, this, &frmTrove::Check1_Click);

    if (const QString probePath = StateProbe::pathFromEnvironment(); !probePath.isEmpty()) {
        m_probe = new StateProbe(probePath, m_store, m_capture, this);
        m_probe->addControl(QStringLiteral("Grid"), m_gridView);
        m_probe->addControl(QStringLiteral("lblItemCount"), m_lblItemCount);
        m_probe->addControl(QStringLiteral("Check1"), m_check1);
    }
}

frmTrove::~frmTrove() = default;

QString frmTrove::settingsPath()
{
    return AppFolder::userFilesFolder() + QLatin1Char('/') + AppFolder::userName() + QStringLiteral(".ini");
}

void frmTrove::load()
{
    LoadOptions();

    m_capture.captureOn = true;
    m_check1->setChecked(m_capture.captureOn);

    m_grid.setWidth(3200);
    m_grid.setColWidth(0, 2900);
    m_grid.setColWidth(1, 0);
    m_grid.setColWidth(2, 0);
    resize(ScreenMetrics::toPixelsX(3200) + 8, ScreenMetrics::toPixelsY(20 * ClipStore::ItemRowHeight) + 40);

    BecomeClipboardViewer();
    m_capture.ownWriteGuard = true;

    m_grid.select(0, 0);
    m_grid.redraw();
    if (m_probe)
        m_probe->schedule();
}

void frmTrove::LoadOptions()
{
    // The full settings arrive with the options page; until then only the item limit and the
    // picture switch are in force, and the full-list warning stays off.
    m_store.setItemLimit(20);
    const QString images = ProfileFile::read(settingsPath(), OptionsSection, QStringLiteral("images"),
                                             QStringLiteral("default"));
    m_capture.imageCapture = images == QLatin1String("default");
    m_capture.warnWhenFull = false;
}

void frmTrove::BecomeClipboardViewer()
{
    connect(&m_clipboard, &ClipboardPort::changed, this, [this] { m_capture.clipboardChanged(); });
}

void frmTrove::Check1_Click()
{
    m_capture.captureOn = m_check1->isChecked();
    if (m_probe)
        m_probe->schedule();
}

void frmTrove::showCount(int count)
{
    m_lblItemCount->setText(ClipStore::countLabelFor(count));
}
