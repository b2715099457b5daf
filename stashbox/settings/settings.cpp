#include "settings.h"

#include "capture.h"
#include "clipstore.h"
#include "gridmodel.h"
#include "plainfile.h"
#include "processlist.h"

#include <QKeySequence>
#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>

namespace {
const QString Default = QStringLiteral("default");

// A whole number in the 16-bit range, halves to even; nothing when the text is not a number.
std::optional<qint16> toInt16(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    const double r = std::nearbyint(v);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}
} // namespace

Settings::Settings(ClipStore& store, Capture& capture, const QString& settingsPath, const QString& programFolder,
                   Picture builtinTss, Picture builtinSb, QObject* parent)
    : QObject(parent)
    , fileDialogFolder(programFolder)
    , processRunning(&ProcessList::isRunning)
    , m_store(store)
    , m_capture(capture)
    , m_path(settingsPath)
    , m_programFolder(programFolder)
    , m_tss(std::move(builtinTss))
    , m_sb(std::move(builtinSb))
{
}

QString Settings::read(const QString& key)
{
    m_ini.setPath(m_path);
    m_ini.setSection(Section);
    m_ini.setDefault(Default);
    m_ini.setKey(key);
    return m_ini.Value();
}

void Settings::write(const QString& key, const QString& value)
{
    m_ini.setPath(m_path);
    m_ini.setSection(Section);
    m_ini.setDefault(Default);
    m_ini.setKey(key);
    m_ini.setValue(value);
}

QString Settings::notSavedMessage() const
{
    return QStringLiteral("The setting could not be saved: ") + m_path
        + QStringLiteral(" cannot be written. Stashbox goes on with the settings stored there.");
}

void Settings::applyImageCaptureCheck()
{
    m_processCheckDeferred = false;
    // A screen-capture program of this name needs the clipboard's pictures for itself.
    if (processRunning && processRunning(QStringLiteral("sshostap.exe")))
        m_capture.imageCapture = false;
}

void Settings::applyDeferredProcessCheck()
{
    if (m_processCheckDeferred)
        applyImageCaptureCheck();
}

void Settings::LoadOptions(ProcessCheck check)
{
    GridModel& grid = m_store.grid();

    m_store.setItemLimit(read(QStringLiteral("pro")) == QLatin1String("100") ? 100 : 20);
    grid.setGridLines(read(QStringLiteral("gridlines")) == Default ? 1 : 0);
    saveOnExit = read(QStringLiteral("saveonexit")) == Default;
    m_capture.imageCapture = read(QStringLiteral("images")) == Default;
    if (check == ProcessCheck::Now)
        applyImageCaptureCheck();
    else
        m_processCheckDeferred = true;
    m_capture.warnWhenFull = read(QStringLiteral("nowarn")) != Default;

    const QString picture = read(QStringLiteral("clipboardpicture"));
    if (picture == Default) {
        grid.setBackgroundPicture(Picture());
    } else {
        if (picture == QLatin1String("tss"))
            grid.setBackgroundPicture(m_tss);
        else if (picture == QLatin1String("sb"))
            grid.setBackgroundPicture(m_sb);
        // A file that cannot be read leaves the background as it is.
        if (const Picture fromFile = Picture::fromFile(picture); !fromFile.isNull())
            grid.setBackgroundPicture(fromFile);
    }

    const QString type = read(QStringLiteral("clipboardtype"));
    if (type == QLatin1String("blue")) {
        panel.clipBlue = true;
        panel.clipBrown = false;
        ClipBlue_Click();
    } else if (type == QLatin1String("brown") || type == Default) {
        panel.clipBlue = false;
        panel.clipBrown = true;
        ClipBrown_Click();
    }

    panel.startWithWin = read(QStringLiteral("Startup")) != QLatin1String("False");
    if (const QString file = read(QStringLiteral("File")); file != Default)
        panel.loadClipFileName = file;
    panel.loadFile = read(QStringLiteral("LoadFile")) == QLatin1String("True");
    panel.autoHide = read(QStringLiteral("AutoHide")) == QLatin1String("True");
    if (panel.autoHide)
        emit processEvents();
    panel.startInOnMode = read(QStringLiteral("StartInOnMode")) != QLatin1String("False");
    panel.promptOnExit = read(QStringLiteral("PromptOnExit")) != QLatin1String("False");

    const QString side = read(QStringLiteral("ScreenSide"));
    if (side != QLatin1String("True")) {
        panel.screenSide = false;
        SystemTray_Click();
    }
    if (side == QLatin1String("True") || side == Default) {
        panel.screenSide = true;
        ScreenSide_Click();
    }

    // Written by hand only: the options page leaves it as it is.
    const QString key = read(QStringLiteral("Hotkey"));
    hotkey = key == Default ? DefaultHotkey : key;

    const QString anispeed = read(QStringLiteral("anispeed"));
    if (anispeed == Default) {
        speed = 30;
    } else if (const auto v = toInt16(anispeed)) {
        speed = *v;
    }
    panel.speedText = QString::number(speed);
    panel.scrollValue = speed;
    panel.enabledFileControls = panel.loadFile;
    emit panelChanged();
}

std::optional<QKeyCombination> Settings::parseHotkey(const QString& text)
{
    const QKeySequence sequence = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    if (sequence.count() != 1)
        return std::nullopt;
    const QKeyCombination key = sequence[0];
    switch (key.key()) {
    case Qt::Key_unknown:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock: return std::nullopt;
    default: return key;
    }
}

bool Settings::SaveOptions()
{
    bool saved = true;
    const auto store = [this, &saved](const QString& key, const QString& value) {
        write(key, value);
        saved = lastReturnCode() != 0 && saved;
        return lastReturnCode() != 0;
    };

    const double typed = leadingNumber(panel.speedText);
    const double rounded = std::nearbyint(typed);
    // A number beyond what the speed can hold leaves the speed as it was.
    if (rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max())
        speed = static_cast<qint16>(rounded);
    store(QStringLiteral("anispeed"), QString::number(speed));

    if (panel.clipBlue)
        store(QStringLiteral("clipboardtype"), QStringLiteral("blue"));
    else if (panel.clipBrown)
        store(QStringLiteral("clipboardtype"), QStringLiteral("brown"));

    const auto flag = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
    store(QStringLiteral("Startup"), flag(panel.startWithWin));
    store(QStringLiteral("File"), panel.loadClipFileName);
    store(QStringLiteral("LoadFile"), flag(panel.loadFile));
    store(QStringLiteral("AutoHide"), flag(panel.autoHide));
    store(QStringLiteral("StartInOnMode"), flag(panel.startInOnMode));
    store(QStringLiteral("PromptOnExit"), flag(panel.promptOnExit));

    // Where the window hides changes only with what is stored.
    if (store(QStringLiteral("ScreenSide"), flag(panel.screenSide))) {
        hideMode = panel.screenSide ? QStringLiteral("w") : QStringLiteral("s");
        if (panel.screenSide)
            emit removeFromSystemTray();
    }
    return saved;
}

void Settings::loadSkin(const QString& file)
{
    // A missing or unreadable skin file leaves the background unchanged. The skin is painted with
    // every frame of the window, so it is kept decoded, and the same picture read again (the options
    // are loaded more than once) is not decoded again.
    QByteArray bytes;
    if (PlainFile::read(m_programFolder + QLatin1Char('/') + file, Picture::MaxFileBytes, &bytes)
        != PlainFile::Status::Ok)
        return;
    if (!m_skin.isNull() && bytes == m_skinBytes)
        return;
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        return;
    m_skin = Picture::fromImage(image);
    m_skinBytes = bytes;
    emit skinChanged(m_skin);
}

void Settings::ClipBlue_Click()
{
    loadSkin(panel.clipBlue ? QStringLiteral("sbbl.icj") : QStringLiteral("sbbr.icj"));
}

void Settings::ClipBrown_Click()
{
    loadSkin(panel.clipBrown ? QStringLiteral("sbbr.icj") : QStringLiteral("sbbl.icj"));
}

void Settings::ScreenSide_Click()
{
    emit command2CaptionChanged(command2Caption());
}

void Settings::SystemTray_Click()
{
    emit recentreRequested();
    emit command2CaptionChanged(command2Caption());
}

void Settings::LoadFile_Click()
{
    panel.enabledFileControls = panel.loadFile;
    emit panelChanged();
}

QString Settings::command2Caption() const
{
    return panel.screenSide ? QStringLiteral("<") : QStringLiteral("  .");
}

void Settings::Vscroll_Change(int value)
{
    panel.scrollValue = value;
    if (value >= 1 && value <= 100) {
        panel.speedText = QString::number(value);
        emit panelChanged();
    }
}

double Settings::leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}
