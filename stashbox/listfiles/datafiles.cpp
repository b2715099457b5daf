#include "datafiles.h"
#include "listconstants.h"

#include "clipstore.h"
#include "dialogsport.h"
#include "gridmodel.h"
#include "listfile.h"
#include "settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace {
const QString Filter = QStringLiteral("Stashbox Data Files|*.sbx|");
constexpr auto OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto OwnerOnlyFolder = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Clipboard history is nobody else's business: folders 0700.
bool makeFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, OwnerOnlyFolder);
    return true;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.setPermissions(OwnerOnly);
    out.write(bytes);
    return out.commit();
}
} // namespace

DataFiles::DataFiles(ClipStore& store, Settings& settings, DialogsPort& dialogs, const QString& programFolder,
                     const QString& userFolder, const QString& userName, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_programFolder(programFolder)
    , m_userFolder(userFolder)
    , m_userName(userName)
{
}

QString DataFiles::autosaveFolder() const
{
    return m_userFolder + QStringLiteral("/{E098A55430BFFEE0816A628E}{") + m_userName + QLatin1Char('}');
}

QString DataFiles::autosavePath() const
{
    return autosaveFolder() + QStringLiteral("/temp.sbt");
}

bool DataFiles::isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'))
        && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

bool DataFiles::writePictures(const QString& folder)
{
    GridModel& grid = m_store.grid();
    bool any = false;
    for (int r = 0; r < grid.rows() && !any; ++r)
        any = m_store.kindOf(r) == ItemKind::Bitmap;
    if (!any)
        return true;
    if (!makeFolder(folder))
        return false;
    bool ok = true;
    QSet<QString> written;
    for (int r = 0; r < grid.rows(); ++r) {
        if (m_store.kindOf(r) != ItemKind::Bitmap)
            continue;
        QString name = grid.textMatrix(r, 2);
        if (!isPlainName(name)) {
            ok = false;
            continue;
        }
        // Two pictures of the same name (lists from before names were kept apart) must not share a file.
        if (written.contains(name)) {
            int n = 2;
            while (written.contains(name + QLatin1Char('-') + QString::number(n)))
                ++n;
            name += QLatin1Char('-') + QString::number(n);
            grid.setTextMatrix(r, 2, name);
        }
        written.insert(name);
        const Picture picture = grid.cellPicture(r, 1);
        if (picture.isNull())
            continue;
        // The picture goes out in the form it is held in (PNG, or the JPEG it came as).
        ok = writeFileAtomically(folder + QLatin1Char('/') + name, picture.encoded()) && ok;
    }
    return ok;
}

bool DataFiles::saveTo(const QString& file)
{
    const bool pictures = writePictures(pictureFolder(file));
    const bool list = ListFile::write(file, ListFile::fromGrid(m_store.grid())) == ListFile::Status::Ok;
    return pictures && list;
}

QString DataFiles::askForFile(const QString& title, bool save)
{
    DialogsPort::FileRequest request;
    request.title = title;
    request.actionCaption = save ? QStringLiteral("Save") : QStringLiteral("Open");
    request.initialFolder = m_programFolder;
    request.filter = Filter;
    request.save = save;
    return m_dialogs.chooseFile(request).trimmed();
}

void DataFiles::Command3_Click()
{
    emit aboutToAct();
    const QString file = askForFile(QStringLiteral("Save Stashbox Data"), true);
    if (file.isEmpty())
        return;
    if (!saveTo(file))
        m_dialogs.message(QStringLiteral("The list could not be saved completely to ") + file + QLatin1Char('.'), ProgramTitle,
                          DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
}

bool DataFiles::readList(const QString& file, QString* error)
{
    ListFile::Contents contents;
    const ListFile::Status status = ListFile::read(file, &contents);
    if (status != ListFile::Status::Ok) {
        if (error)
            *error = ListFile::describe(status);
        return false;
    }
    ListFile::applyToGrid(contents, m_store.grid());
    return true;
}

void DataFiles::Command4_Click()
{
    emit aboutToAct();
    const QString file = askForFile(QStringLiteral("Open Stashbox Data"), false);
    if (file.isEmpty())
        return;
    QString error;
    const bool read = readList(file, &error);
    m_settings.LoadOptions();
    rebuild(pictureFolder(file));
    if (!read)
        m_dialogs.message(file + QStringLiteral(" could not be opened: ") + error, ProgramTitle, DialogsPort::Icon::Critical,
                          DialogsPort::Buttons::Ok);
}

bool DataFiles::loadStartupFile()
{
    const PanelOptions& p = m_settings.panel;
    if (!p.loadFile || p.loadClipFileName.size() < 6)
        return false;
    const QString file = p.loadClipFileName;
    // A start-up file that cannot be read must not cost the list of the last session: the autosave
    // is restored instead.
    if (!readList(file, nullptr))
        return false;
    rebuild(pictureFolder(file));
    return true;
}

void DataFiles::rebuild(const QString& folder, bool deletePictures)
{
    GridModel& grid = m_store.grid();
    grid.setRows(m_store.itemLimit());
    int count = 0;
    for (int r = 0; r < m_store.itemLimit(); ++r) {
        const QString kind = m_store.kindOf(r);
        if (!ItemKind::isItem(kind))
            continue;
        grid.setCellPicture(r, 0, m_store.icons().forKind(kind));
        if (kind == ItemKind::Bitmap) {
            const QString name = grid.textMatrix(r, 2);
            // A name from a file is used only inside the picture folder.
            if (isPlainName(name)) {
                const QString path = folder + QLatin1Char('/') + name;
                QFile file(path);
                if (file.open(QIODevice::ReadOnly)) {
                    const Picture picture = Picture::fromEncoded(file.readAll());
                    file.close();
                    if (!picture.isNull())
                        grid.setCellPicture(r, 1, picture);
                    if (deletePictures)
                        QFile::remove(path);
                }
            }
        }
        ++count;
    }
    m_store.setItemCount(count);
}

bool DataFiles::writeAutosave()
{
    if (!makeFolder(autosaveFolder()))
        return false;
    return saveTo(autosavePath());
}

bool DataFiles::restoreAutosave()
{
    const QString file = autosavePath();
    if (!QFile::exists(file))
        return false;
    ListFile::Contents contents;
    if (ListFile::read(file, &contents) != ListFile::Status::Ok) {
        // Never delete what could not be read: keep it aside for the user, start empty.
        const QString aside = file + QStringLiteral(".unreadable-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QFile::rename(file, aside);
        m_settings.LoadOptions();
        return false;
    }
    ListFile::applyToGrid(contents, m_store.grid());
    m_settings.LoadOptions();
    m_store.grid().setRows(m_store.itemLimit());
    m_store.setItemCount(0);
    QFile::remove(file);
    rebuild(pictureFolder(file), true);
    for (int r = 0; r < m_store.itemLimit(); ++r)
        m_store.grid().setRowHeight(r, ItemRowHeight);
    return true;
}
