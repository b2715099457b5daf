#include "commandbox.h"
#include "listconstants.h"

#include "capture.h"
#include "clipstore.h"
#include "dialogsport.h"
#include "gridmodel.h"
#include "settings.h"

#include <QFile>

namespace {

const QStringList& commandWords()
{
    static const QStringList words{
        QStringLiteral("+picture"), QStringLiteral("-picture"), QStringLiteral("?love"), QStringLiteral("?ponies"),
        QStringLiteral("?mom"), QStringLiteral("?wife"), QStringLiteral("-lines"), QStringLiteral("+lines"),
        QStringLiteral("-images"), QStringLiteral("+images"), QStringLiteral("-saveonexit"), QStringLiteral("+saveonexit"),
        QStringLiteral("-warn"), QStringLiteral("+warn"), QStringLiteral("=tss"), QStringLiteral("=sb"),
        QStringLiteral("=100"), QStringLiteral("=20"),
    };
    return words;
}
} // namespace

CommandBox::CommandBox(Settings& settings, ClipStore& store, Capture& capture, DialogsPort& dialogs, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_store(store)
    , m_capture(capture)
    , m_dialogs(dialogs)
{
}

QPair<QString, QString> CommandBox::note(const QString& word)
{
    if (word == QLatin1String("?love"))
        return {QStringLiteral("Hello"),
                QStringLiteral("Every copy and paste in here was written with love.\r\n"
                               "Thank you for keeping me company on the long nights.\r\n"
                               "  - the one who wrote Stashbox")};
    if (word == QLatin1String("?ponies"))
        return {QStringLiteral("Giddy up!"),
                QStringLiteral("To my little rider:\r\n"
                               "one day we will have a field full of ponies,\r\n"
                               "and every one of them will have a name.\r\n"
                               "  - Dad")};
    if (word == QLatin1String("?mom"))
        return {QStringLiteral("Hi Mom"),
                QStringLiteral("You always said to finish what I start.\r\n"
                               "Here it is, finished (mostly).\r\n"
                               "Thank you for everything.\r\n"
                               "  - your son")};
    if (word == QLatin1String("?wife"))
        return {QString(),
                QStringLiteral("For my wife,\r\n"
                               "who put up with a husband who talked about clipboards at dinner.\r\n"
                               "You are the best thing I ever kept.\r\n"
                               "  - with love")};
    return {};
}

void CommandBox::info(const QString& text, const QString& title)
{
    m_dialogs.message(text, title, DialogsPort::Icon::Information, DialogsPort::Buttons::Ok);
}

void CommandBox::commandtext_Change(const QString& text)
{
    if (!commandWords().contains(text))
        return;
    emit cancelRequested();
    emit clearRequested();

    GridModel& grid = m_store.grid();
    if (text == QLatin1String("+picture")) {
        DialogsPort::FileRequest request;
        request.title = QStringLiteral("Import Picture for Stashbox");
        request.actionCaption = QStringLiteral("Open");
        request.initialFolder = m_settings.programFolder();
        request.filter = QStringLiteral("Windows Bitmap Files |*.bmp|Jpeg Files |*.jpg|GIF Files|*.gif");
        const QString name = m_dialogs.chooseFile(request).trimmed();
        if (name.isEmpty())
            return;
        QFile file(name);
        if (file.open(QIODevice::ReadOnly)) {
            // A file that cannot be read as a picture leaves the background as it is.
            if (const Picture picture = Picture::fromData(file.readAll()); !picture.isNull())
                grid.setBackgroundPicture(picture);
        }
        m_settings.write(QStringLiteral("clipboardpicture"), name);
    } else if (text == QLatin1String("-picture")) {
        grid.setBackgroundPicture(Picture());
        m_settings.write(QStringLiteral("clipboardpicture"), QStringLiteral("default"));
    } else if (text.startsWith(QLatin1Char('?'))) {
        const auto [title, body] = note(text);
        info(body, title);
    } else if (text == QLatin1String("-lines")) {
        grid.setGridLines(0);
        m_settings.write(QStringLiteral("gridlines"), QStringLiteral("none"));
    } else if (text == QLatin1String("+lines")) {
        grid.setGridLines(1);
        m_settings.write(QStringLiteral("gridlines"), QStringLiteral("default"));
    } else if (text == QLatin1String("-images")) {
        m_capture.imageCapture = false;
        info(QStringLiteral("Image capture is off"), ProgramTitle);
        m_settings.write(QStringLiteral("images"), QStringLiteral("none"));
    } else if (text == QLatin1String("+images")) {
        m_capture.imageCapture = true;
        info(QStringLiteral("Image capture is on"), ProgramTitle);
        m_settings.write(QStringLiteral("images"), QStringLiteral("default"));
    } else if (text == QLatin1String("-saveonexit")) {
        info(QStringLiteral("Save on exit is disabled "), ProgramTitle);
        m_settings.write(QStringLiteral("saveonexit"), QStringLiteral("none"));
        m_settings.saveOnExit = false;
    } else if (text == QLatin1String("+saveonexit")) {
        info(QStringLiteral("Save on exit is enabled "), ProgramTitle);
        m_settings.write(QStringLiteral("saveonexit"), QStringLiteral("default"));
        m_settings.saveOnExit = true;
    } else if (text == QLatin1String("-warn")) {
        info(QStringLiteral("Warning when full is off"), ProgramTitle);
        m_capture.warnWhenFull = false;
        m_settings.write(QStringLiteral("nowarn"), QStringLiteral("default"));
    } else if (text == QLatin1String("+warn")) {
        info(QStringLiteral("Warning when full is on"), ProgramTitle);
        m_capture.warnWhenFull = true;
        m_settings.write(QStringLiteral("nowarn"), QStringLiteral("1"));
    } else if (text == QLatin1String("=tss")) {
        grid.setBackgroundPicture(m_settings.tss());
        m_settings.write(QStringLiteral("clipboardpicture"), QStringLiteral("tss"));
    } else if (text == QLatin1String("=sb")) {
        grid.setBackgroundPicture(m_settings.sb());
        m_settings.write(QStringLiteral("clipboardpicture"), QStringLiteral("sb"));
    } else if (text == QLatin1String("=100")) {
        m_store.setItemLimit(100);
        info(QStringLiteral("Maximum size is 100 items."), QStringLiteral("stashbox"));
        m_settings.write(QStringLiteral("pro"), QStringLiteral("100"));
    } else if (text == QLatin1String("=20")) {
        m_store.setItemLimit(20);
        info(QStringLiteral("Maximum size is 20 items."), QStringLiteral("stashbox"));
        m_settings.write(QStringLiteral("pro"), QStringLiteral("default"));
        m_store.recountItems();
    }
}
