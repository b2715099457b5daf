#include "commandbox.h"
#include "listconstants.h"

#include "capture.h"
#include "clipstore.h"
#include "dialogsport.h"
#include "gridmodel.h"
#include "settings.h"

namespace {
const QStringList& commandWords()
{
    static const QStringList words{
        QStringLiteral("+picture"), QStringLiteral("-picture"),    QStringLiteral("?love"),
        QStringLiteral("?ponies"),  QStringLiteral("?mom"),        QStringLiteral("?wife"),
        QStringLiteral("-lines"),   QStringLiteral("+lines"),      QStringLiteral("-images"),
        QStringLiteral("+images"),  QStringLiteral("-saveonexit"), QStringLiteral("+saveonexit"),
        QStringLiteral("-warn"),    QStringLiteral("+warn"),       QStringLiteral("=tss"),
        QStringLiteral("=sb"),      QStringLiteral("=100"),        QStringLiteral("=20"),
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

    // Each setting is stored before it is put into force: one that could not be stored must not be
    // in force either, or the next reload of the settings would undo it behind the user's back (a
    // limit of 100 falling back to 20 drops items).
    const auto store = [this](const QString& key, const QString& value) {
        m_settings.write(key, value);
        if (m_settings.lastReturnCode() != 0)
            return true;
        m_dialogs.message(m_settings.notSavedMessage(), ProgramTitle, DialogsPort::Icon::Critical,
                          DialogsPort::Buttons::Ok);
        return false;
    };
    GridModel& grid = m_store.grid();
    if (text == QLatin1String("+picture")) {
        DialogsPort::FileRequest request;
        request.title = QStringLiteral("Import Picture for Stashbox");
        request.actionCaption = QStringLiteral("Open");
        request.initialFolder = m_settings.fileDialogFolder;
        request.filter = QStringLiteral("Windows Bitmap Files |*.bmp|Jpeg Files |*.jpg|GIF Files|*.gif");
        const QString name = m_dialogs.chooseFile(request).trimmed();
        if (name.isEmpty() || !store(QStringLiteral("clipboardpicture"), name))
            return;
        // A file that cannot be read as a picture leaves the background as it is.
        if (const Picture picture = Picture::fromFile(name); !picture.isNull())
            grid.setBackgroundPicture(picture);
    } else if (text == QLatin1String("-picture")) {
        if (store(QStringLiteral("clipboardpicture"), QStringLiteral("default")))
            grid.setBackgroundPicture(Picture());
    } else if (text.startsWith(QLatin1Char('?'))) {
        const auto [title, body] = note(text);
        info(body, title);
    } else if (text == QLatin1String("-lines")) {
        if (store(QStringLiteral("gridlines"), QStringLiteral("none")))
            grid.setGridLines(0);
    } else if (text == QLatin1String("+lines")) {
        if (store(QStringLiteral("gridlines"), QStringLiteral("default")))
            grid.setGridLines(1);
    } else if (text == QLatin1String("-images")) {
        if (store(QStringLiteral("images"), QStringLiteral("none"))) {
            m_capture.imageCapture = false;
            info(QStringLiteral("Image capture is off"), ProgramTitle);
        }
    } else if (text == QLatin1String("+images")) {
        if (store(QStringLiteral("images"), QStringLiteral("default"))) {
            m_capture.imageCapture = true;
            info(QStringLiteral("Image capture is on"), ProgramTitle);
        }
    } else if (text == QLatin1String("-saveonexit")) {
        if (store(QStringLiteral("saveonexit"), QStringLiteral("none"))) {
            m_settings.saveOnExit = false;
            emit saveOnExitChanged();
            info(QStringLiteral("Save on exit is disabled "), ProgramTitle);
        }
    } else if (text == QLatin1String("+saveonexit")) {
        if (store(QStringLiteral("saveonexit"), QStringLiteral("default"))) {
            m_settings.saveOnExit = true;
            emit saveOnExitChanged();
            info(QStringLiteral("Save on exit is enabled "), ProgramTitle);
        }
    } else if (text == QLatin1String("-warn")) {
        if (store(QStringLiteral("nowarn"), QStringLiteral("default"))) {
            m_capture.warnWhenFull = false;
            info(QStringLiteral("Warning when full is off"), ProgramTitle);
        }
    } else if (text == QLatin1String("+warn")) {
        if (store(QStringLiteral("nowarn"), QStringLiteral("1"))) {
            m_capture.warnWhenFull = true;
            info(QStringLiteral("Warning when full is on"), ProgramTitle);
        }
    } else if (text == QLatin1String("=tss")) {
        if (store(QStringLiteral("clipboardpicture"), QStringLiteral("tss")))
            grid.setBackgroundPicture(m_settings.tss());
    } else if (text == QLatin1String("=sb")) {
        if (store(QStringLiteral("clipboardpicture"), QStringLiteral("sb")))
            grid.setBackgroundPicture(m_settings.sb());
    } else if (text == QLatin1String("=100")) {
        if (store(QStringLiteral("pro"), QStringLiteral("100"))) {
            m_store.setItemLimit(100);
            info(QStringLiteral("Maximum size is 100 items."), QStringLiteral("stashbox"));
        }
    } else if (text == QLatin1String("=20")) {
        if (store(QStringLiteral("pro"), QStringLiteral("default"))) {
            m_store.setItemLimit(20);
            info(QStringLiteral("Maximum size is 20 items."), QStringLiteral("stashbox"));
            m_store.recountItems();
        }
    }
}
