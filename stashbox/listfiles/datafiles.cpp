#include "datafiles.h"
#include "listconstants.h"

#include "appfolder.h"
#include "clipitem.h"
#include "clipstore.h"
#include "dialogsport.h"
#include "gridmodel.h"
#include "listfile.h"
#include "plainfile.h"
#include "settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString Filter = QStringLiteral("Stashbox Data Files|*.sbx|");
constexpr auto OwnerOnlyFolder = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Clipboard history is nobody else's business: folders 0700.
bool makeFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, OwnerOnlyFolder);
    return true;
}

// Moves the row's kind, texts, pictures and height to `to`, leaving `from` empty.
void moveRow(GridModel& grid, int from, int to)
{
    grid.setRowData(to, grid.rowData(from));
    grid.setRowData(from, QString());
    for (int col = 0; col < GridModel::Columns; ++col) {
        grid.setTextMatrix(to, col, grid.textMatrix(from, col));
        grid.setTextMatrix(from, col, QString());
        grid.setCellPicture(to, col, grid.cellPicture(from, col));
        grid.setCellPicture(from, col, Picture());
    }
    grid.setRowHeight(to, grid.rowHeight(from));
    grid.setRowHeight(from, ItemRowHeight);
}

// A rename is on disk only once its folder is.
void syncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
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
    m_sessionTimer.setSingleShot(true);
    m_sessionTimer.setInterval(SessionDelayMs);
    connect(&m_sessionTimer, &QTimer::timeout, this, &DataFiles::writeSession);
}

QString DataFiles::autosaveFolderOf(const QString& userFolder, const QString& userName)
{
    return userFolder + QStringLiteral("/{E098A55430BFFEE0816A628E}{") + userName + QLatin1Char('}');
}

QString DataFiles::autosavePath() const
{
    return autosaveFolder() + QStringLiteral("/temp.sbt");
}

QString DataFiles::sessionPath() const
{
    return autosaveFolder() + QStringLiteral("/session.sbt");
}

bool DataFiles::isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
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
        ok = PlainFile::replace(folder + QLatin1Char('/') + name, picture.encoded()) && ok;
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
        m_dialogs.message(QStringLiteral("The list could not be saved completely to ") + file + QLatin1Char('.'),
                          ProgramTitle, DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
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
        m_dialogs.message(file + QStringLiteral(" could not be opened: ") + error, ProgramTitle,
                          DialogsPort::Icon::Critical, DialogsPort::Buttons::Ok);
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

void DataFiles::closeGaps()
{
    // The store keeps its items in the top rows; a list written by hand or damaged may not.
    GridModel& grid = m_store.grid();
    int to = 0;
    for (int from = 0; from < grid.rows(); ++from) {
        if (!ItemKind::isItem(m_store.kindOf(from)))
            continue;
        if (from != to)
            moveRow(grid, from, to);
        ++to;
    }
}

bool DataFiles::rebuild(const QString& folder, QStringList* picturesRead)
{
    GridModel& grid = m_store.grid();
    grid.setRows(m_store.itemLimit());
    closeGaps();
    bool allRead = true;
    int count = 0;
    for (int r = 0; r < m_store.itemLimit(); ++r) {
        const QString kind = m_store.kindOf(r);
        if (!ItemKind::isItem(kind))
            continue;
        grid.setCellPicture(r, 0, m_store.icons().forKind(kind));
        if (kind == ItemKind::Bitmap) {
            const QString name = grid.textMatrix(r, 2);
            // A name from a file is used only inside the picture folder, and a link there is not
            // followed out of it.
            const QString path = folder + QLatin1Char('/') + name;
            QByteArray bytes;
            const Picture picture = isPlainName(name)
                    && PlainFile::read(path, ListFile::MaxFileBytes, &bytes, PlainFile::Links::Refuse)
                        == PlainFile::Status::Ok
                ? Picture::fromEncoded(bytes)
                : Picture();
            if (!picture.isNull()) {
                grid.setCellPicture(r, 1, picture);
                if (picturesRead)
                    picturesRead->append(path);
            } else {
                allRead = false;
            }
        }
        ++count;
    }
    m_store.setItemCount(count);
    return allRead;
}

QString DataFiles::untrustedFiles() const
{
    // The folder, the files named after the user in it (settings, first-start marker) and the
    // autosave folder with all it holds: planted by someone else, or a link, they are not ours.
    if (QString reason = AppFolder::untrustedReason(m_userFolder); !reason.isEmpty())
        return refusal(reason);
    const QStringList names = QDir(m_userFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!name.startsWith(m_userName + QLatin1Char('.')))
            continue;
        if (QString reason = AppFolder::untrustedReason(m_userFolder + QLatin1Char('/') + name); !reason.isEmpty())
            return refusal(reason);
    }
    if (QString reason = AppFolder::untrustedReason(autosaveFolder(), true); !reason.isEmpty())
        return refusal(reason);
    return {};
}

QString DataFiles::refusal(const QString& reason)
{
    return reason + QStringLiteral("\r\nStashbox keeps your settings and your list there and does not use files that ")
        + QStringLiteral("someone else may have put in its place. Remove it, then start Stashbox again.");
}

void DataFiles::removeStalePictures(const QString& folder)
{
    // The autosave's picture folder is the program's own: what no row names is left over.
    QSet<QString> named;
    for (int r = 0; r < m_store.grid().rows(); ++r) {
        if (m_store.kindOf(r) == ItemKind::Bitmap)
            named.insert(m_store.grid().textMatrix(r, 2));
    }
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : entries) {
        if (!named.contains(name))
            QFile::remove(folder + QLatin1Char('/') + name);
    }
}

bool DataFiles::writeAutosave()
{
    m_sessionEnded = true;
    // Never write into, or through, what is not ours.
    if (!untrustedFiles().isEmpty() || !makeFolder(autosaveFolder()))
        return false;
    // Until the new list is written, the old one may still name what looks left over.
    if (!saveTo(autosavePath()))
        return false;
    removeStalePictures(pictureFolder(autosavePath()));
    removeSession();
    return true;
}

bool DataFiles::restoreFrom(const QString& file, QStringList* picturesRead, bool* complete)
{
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
    *complete = rebuild(pictureFolder(file), picturesRead);
    for (int r = 0; r < m_store.itemLimit(); ++r)
        m_store.grid().setRowHeight(r, ItemRowHeight);
    return true;
}

bool DataFiles::restoreAutosave()
{
    if (!untrustedFiles().isEmpty())
        return false;
    QStringList pictures;
    bool complete = false;
    // A session copy is left only by a run that did not close in order: it holds the newest list,
    // and stays, as the list on disk, with the pictures it names.
    if (QFile::exists(sessionPath()) && restoreFrom(sessionPath(), &pictures, &complete)) {
        GridModel& grid = m_store.grid();
        for (int r = 0; r < grid.rows(); ++r)
            if (m_store.kindOf(r) == ItemKind::Bitmap && !grid.cellPicture(r, 1).isNull())
                m_sessionPictures.insert(grid.textMatrix(r, 2), grid.cellPicture(r, 1));
        return true;
    }
    const QString file = autosavePath();
    if (!QFile::exists(file) || !restoreFrom(file, &pictures, &complete))
        return false;
    // What was read is removed only when all of it was, and once the session copy holds it: a
    // picture that could not be read stays with its list for the next try.
    if (complete && writeSession()) {
        QFile::remove(file);
        for (const QString& picture : std::as_const(pictures))
            QFile::remove(picture);
    }
    return true;
}

bool DataFiles::listFits(const ClipItem& item) const
{
    ListFile::Contents list = ListFile::fromGrid(m_store.grid());
    if (!list.rows.isEmpty())
        list.rows.removeLast();
    list.rows.prepend(ListFile::Row{item.kind, {item.label, item.data, item.text}});
    return ListFile::encodedSize(list) <= ListFile::MaxFileBytes;
}

void DataFiles::removeLeftovers() const
{
    for (const QString& list : {autosavePath(), sessionPath()}) {
        PlainFile::removeLeftovers(autosaveFolder(), QFileInfo(list).fileName());
        PlainFile::removeLeftovers(pictureFolder(list));
    }
    PlainFile::removeLeftovers(m_userFolder, m_userName + QStringLiteral(".ini"));
}

QString DataFiles::readSaved(const QString& userFolder, const QString& userName, ListFile::Contents* out, QString* file)
{
    const QString folder = autosaveFolderOf(userFolder, userName);
    for (const auto& [path, contents] : {std::pair{userFolder, false}, std::pair{folder, true}})
        if (QString reason = AppFolder::untrustedReason(path, contents); !reason.isEmpty())
            return reason;
    file->clear();
    *out = ListFile::Contents();
    for (const QString& name : {QStringLiteral("/session.sbt"), QStringLiteral("/temp.sbt")}) {
        if (!QFile::exists(folder + name))
            continue;
        *file = folder + name;
        const ListFile::Status status = ListFile::read(*file, out);
        return status == ListFile::Status::Ok ? QString() : *file + QStringLiteral(": ") + ListFile::describe(status);
    }
    return {};
}

void DataFiles::listChanged()
{
    if (!m_sessionEnded && !m_sessionTimer.isActive())
        m_sessionTimer.start();
}

QString DataFiles::sessionPictureName(int row, const QHash<QString, Picture>& taken)
{
    GridModel& grid = m_store.grid();
    const Picture picture = grid.cellPicture(row, 1);
    const QString name = grid.textMatrix(row, 2);
    const auto free = [&](const QString& n) {
        const auto onDisk = m_sessionPictures.constFind(n);
        return !taken.contains(n) && (onDisk == m_sessionPictures.constEnd() || onDisk->sharesDataWith(picture));
    };
    if (free(name))
        return name;
    // Another picture of the same name (same second) is on disk or in this list.
    int n = 2;
    QString other = name + QStringLiteral("-2");
    while (!free(other))
        other = name + QLatin1Char('-') + QString::number(++n);
    grid.setTextMatrix(row, 2, other);
    return other;
}

bool DataFiles::writeSession()
{
    if (!m_settings.saveOnExit) {
        removeSession();
        return true;
    }
    if (!untrustedFiles().isEmpty() || !makeFolder(autosaveFolder()))
        return false;
    // First the pictures the list on disk does not have yet, under names it does not use.
    const QString folder = pictureFolder(sessionPath());
    GridModel& grid = m_store.grid();
    QHash<QString, Picture> named;
    bool ok = true;
    bool newPictures = false;
    for (int r = 0; r < grid.rows(); ++r) {
        const Picture picture = grid.cellPicture(r, 1);
        if (m_store.kindOf(r) != ItemKind::Bitmap || picture.isNull() || !isPlainName(grid.textMatrix(r, 2)))
            continue;
        const QString name = sessionPictureName(r, named);
        named.insert(name, picture);
        const auto onDisk = m_sessionPictures.constFind(name);
        if (onDisk != m_sessionPictures.constEnd() && onDisk->sharesDataWith(picture))
            continue;
        newPictures = true;
        const bool written =
            makeFolder(folder) && PlainFile::replace(folder + QLatin1Char('/') + name, picture.encoded());
        if (written)
            m_sessionPictures.insert(name, picture);
        ok = written && ok;
    }
    if (!ok)
        return false; // the list on disk stays as it was, whole
    // Then the list, in one rename; then what it no longer names.
    const ListFile::Contents contents = ListFile::fromGrid(grid);
    if (newPictures || m_sessionList != contents) {
        if (newPictures)
            syncFolder(folder);
        if (ListFile::write(sessionPath(), contents) != ListFile::Status::Ok)
            return false;
        syncFolder(autosaveFolder());
        m_sessionList = contents;
    }
    for (auto it = m_sessionPictures.begin(); it != m_sessionPictures.end();) {
        if (named.contains(it.key())) {
            ++it;
            continue;
        }
        QFile::remove(folder + QLatin1Char('/') + it.key());
        it = m_sessionPictures.erase(it);
    }
    // Names given here changed the list, which is on disk as it is now.
    m_sessionTimer.stop();
    return true;
}

void DataFiles::removeSession()
{
    m_sessionTimer.stop();
    // The list first: a list without its pictures is never left behind.
    QFile::remove(sessionPath());
    const QFileInfo pictures(pictureFolder(sessionPath()));
    if (pictures.isDir() && !pictures.isSymLink())
        QDir(pictures.filePath()).removeRecursively();
    m_sessionList.reset();
    m_sessionPictures.clear();
}
