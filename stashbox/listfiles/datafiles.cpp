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
#include <QUuid>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &DataFiles::writeSession);
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
    m_sessionTimer.stop();
    m_retryTimer.stop();
    // An unreadable list that could not be moved aside is still the only copy of the last session:
    // an empty list does not replace it.
    if (m_restoreFailedInPlace && m_store.itemCount() == 0)
        return true;
    // Never write into, or through, what is not ours.
    if (const QString untrusted = untrustedFiles(); !untrusted.isEmpty()) {
        m_saveProblem = untrusted;
        return false;
    }
    // Until the new list is written, the old one may still name what looks left over. The session
    // copy stays until then: it is what the next start finds when this write fails.
    if (!makeFolder(autosaveFolder()) || !saveTo(autosavePath())) {
        m_lastWriteError = errno;
        m_saveProblem = writeProblem(autosavePath());
        return false;
    }
    removeStalePictures(pictureFolder(autosavePath()));
    removeSession();
    return true;
}

void DataFiles::resumeSession()
{
    m_sessionEnded = false;
    listChanged();
}

QStringList DataFiles::unsavedItems() const
{
    // Items are told apart by their kind and contents; a list on disk holding the same is enough.
    QSet<QString> onDisk;
    const auto key = [](const QString& kind, const QString& data, const QString& text) {
        return kind + QChar(0) + data + QChar(0) + text;
    };
    if (m_sessionList) {
        for (const ListFile::Row& row : m_sessionList->rows)
            if (ItemKind::isItem(row.kind))
                onDisk.insert(key(row.kind, row.text[1], row.text[2]));
    }
    QStringList unsaved;
    const GridModel& grid = m_store.grid();
    for (int r = 0; r < grid.rows(); ++r) {
        const QString kind = m_store.kindOf(r);
        if (!ItemKind::isItem(kind) || onDisk.contains(key(kind, grid.textMatrix(r, 1), grid.textMatrix(r, 2))))
            continue;
        QString label = grid.textMatrix(r, 0).left(60).simplified();
        if (grid.textMatrix(r, 0).size() > 60)
            label += QStringLiteral("...");
        unsaved.append(label);
    }
    return unsaved;
}

QString DataFiles::keepAside(const QString& file)
{
    const QString aside = file + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFileInfo::exists(aside) || !QFile::rename(file, aside))
        return {};
    // Its pictures and texts go with it, so that nothing it names is reused or removed.
    const QFileInfo folder(pictureFolder(file));
    if (folder.isDir() && !folder.isSymLink())
        QFile::rename(folder.filePath(), pictureFolder(aside));
    return aside;
}

bool DataFiles::restoreFrom(const QString& file, QStringList* picturesRead, bool* complete)
{
    ListFile::Contents contents;
    QHash<QString, QString> sideTexts;
    if (const ListFile::Status status = ListFile::read(file, &contents, &sideTexts); status != ListFile::Status::Ok) {
        // Never delete what could not be read: keep it aside for the user, start without it.
        const QString aside = keepAside(file);
        m_restoreFailedInPlace = aside.isEmpty();
        m_restoreProblem = QStringLiteral("The list of the last session could not be read: ") + ListFile::describe(status)
            + (aside.isEmpty() ? QStringLiteral("\r\nIt was left as ") + file + QStringLiteral(" and is not replaced.")
                               : QStringLiteral("\r\nIt was kept as ") + aside + QLatin1Char('.'));
        m_settings.LoadOptions();
        return false;
    }
    if (file == sessionPath()) {
        for (auto it = sideTexts.cbegin(); it != sideTexts.cend(); ++it)
            m_sessionTexts.append({it.value(), it.key(), false});
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
    // and stays, as the list on disk, with the pictures it names. When it cannot be read, the
    // autosave is the newest readable list, if there is one.
    if (QFile::exists(sessionPath()) && restoreFrom(sessionPath(), &pictures, &complete)) {
        GridModel& grid = m_store.grid();
        for (int r = 0; r < grid.rows(); ++r)
            if (m_store.kindOf(r) == ItemKind::Bitmap && !grid.cellPicture(r, 1).isNull())
                m_sessionPictures.insert(grid.textMatrix(r, 2), grid.cellPicture(r, 1));
        return true;
    }
    const QString file = autosavePath();
    if (!QFile::exists(file))
        return false;
    const bool sessionLost = !m_restoreProblem.isEmpty();
    if (!restoreFrom(file, &pictures, &complete))
        return false;
    if (sessionLost)
        m_restoreProblem += QStringLiteral("\r\nThe list saved when Stashbox was closed before was restored instead.");
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
        return !taken.contains(n) && (onDisk == m_sessionPictures.constEnd() || onDisk->sharesDataWith(picture))
            && std::none_of(m_sessionTexts.cbegin(), m_sessionTexts.cend(), [&](const SideFile& f) { return f.name == n; });
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

bool DataFiles::nameTaken(const QString& name) const
{
    return m_sessionPictures.contains(name)
        || std::any_of(m_sessionTexts.cbegin(), m_sessionTexts.cend(), [&](const SideFile& f) { return f.name == name; });
}

bool DataFiles::placeBeside(const QString& cell, ListFile::SideText* side, QList<SideFile>* fresh, bool* failed)
{
    // A file on disk with the very characters of the cell (a cell that did not change), with the
    // same text, or with the text the cell ends with (a named item's label).
    const auto find = [&](const auto& matches) -> const SideFile* {
        const QList<SideFile>* lists[] = {&m_sessionTexts, fresh};
        for (const QList<SideFile>* files : lists)
            for (const SideFile& f : *files)
                if (matches(f))
                    return &f;
        return nullptr;
    };
    const SideFile* found =
        find([&](const SideFile& f) { return f.text.size() == cell.size() && f.text.constData() == cell.constData(); });
    if (!found)
        found = find([&](const SideFile& f) { return f.text == cell; });
    if (!found)
        found = find([&](const SideFile& f) {
            return f.text.size() >= ListFile::SideTextMinChars && cell.size() > f.text.size()
                && QStringView(cell).last(f.text.size()) == f.text;
        });
    if (!found) {
        if (*failed)
            return false;
        // Written once, under a name no list on disk uses.
        const QString folder = pictureFolder(sessionPath());
        SideFile file{cell, {}, ListFile::fitsUtf8(cell)};
        do
            file.name = QStringLiteral("text-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        while (nameTaken(file.name) || QFileInfo::exists(folder + QLatin1Char('/') + file.name));
        QByteArray bytes;
        if (file.utf8) {
            bytes = cell.toUtf8();
        } else {
            bytes.resize(cell.size() * 2);
            qToLittleEndian<char16_t>(cell.utf16(), cell.size(), bytes.data());
        }
        if (!makeFolder(folder) || !PlainFile::replace(folder + QLatin1Char('/') + file.name, bytes)) {
            m_lastWriteError = errno;
            *failed = true;
            return false;
        }
        fresh->append(std::move(file));
        found = &fresh->constLast();
    }
    side->name = found->name;
    side->prefix = cell.size() - found->text.size();
    side->utf8 = found->utf8;
    return true;
}

QString DataFiles::writeProblem(const QString& file) const
{
    return QStringLiteral("The list could not be written to ") + file + QStringLiteral(": ")
        + (m_lastWriteError ? QString::fromLocal8Bit(std::strerror(m_lastWriteError)) : QStringLiteral("write error"))
        + QLatin1Char('.');
}

void DataFiles::sessionWritten(bool ok, const QString& problem)
{
    const bool wasFailing = !m_saveProblem.isEmpty();
    if (ok) {
        m_retryTimer.stop();
        m_retryDelayMs = SessionRetryMs;
        m_saveProblem.clear();
        if (wasFailing)
            emit savingChanged(false);
        return;
    }
    m_saveProblem = problem;
    // Tried again at the next change and, meanwhile, less and less often.
    if (!m_sessionEnded) {
        m_retryTimer.start(m_retryDelayMs);
        m_retryDelayMs = std::min(m_retryDelayMs * 2, SessionRetryMaxMs);
    }
    if (!wasFailing)
        emit savingChanged(true);
}

bool DataFiles::writeSession()
{
    m_sessionTimer.stop();
    if (!m_settings.saveOnExit) {
        removeSession();
        sessionWritten(true, {});
        return true;
    }
    if (const QString untrusted = untrustedFiles(); !untrusted.isEmpty()) {
        sessionWritten(false, untrusted);
        return false;
    }
    m_lastWriteError = 0;
    const auto fail = [this] {
        m_lastWriteError = m_lastWriteError ? m_lastWriteError : errno;
        sessionWritten(false, writeProblem(sessionPath()));
        return false;
    };
    if (!makeFolder(autosaveFolder()))
        return fail();
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
        else
            m_lastWriteError = m_lastWriteError ? m_lastWriteError : errno;
        ok = written && ok;
    }
    if (!ok)
        return fail(); // the list on disk stays as it was, whole
    // Then the long texts it does not have yet, then the list, in one rename; then what it no
    // longer names.
    const ListFile::Contents contents = ListFile::fromGrid(grid);
    QList<SideFile> fresh;
    bool failed = false;
    QSet<QString> namedTexts;
    const QByteArray bytes = ListFile::encodeSession(contents, [&](const QString& cell, ListFile::SideText* side) {
        if (!placeBeside(cell, side, &fresh, &failed))
            return false;
        namedTexts.insert(side->name);
        return true;
    });
    const auto dropFresh = [&] {
        for (const SideFile& f : std::as_const(fresh))
            QFile::remove(folder + QLatin1Char('/') + f.name);
    };
    if (failed) {
        dropFresh();
        return fail();
    }
    if (newPictures || !fresh.isEmpty() || bytes != m_sessionBytes) {
        if (newPictures || !fresh.isEmpty())
            syncFolder(folder);
        if (bytes.size() > ListFile::MaxFileBytes || !PlainFile::replace(sessionPath(), bytes)) {
            dropFresh();
            return fail();
        }
        syncFolder(autosaveFolder());
        m_sessionList = contents;
        m_sessionBytes = bytes;
    }
    m_sessionTexts.append(fresh);
    m_sessionTexts.removeIf([&](const SideFile& f) {
        if (namedTexts.contains(f.name))
            return false;
        QFile::remove(folder + QLatin1Char('/') + f.name);
        return true;
    });
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
    sessionWritten(true, {});
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
    m_sessionBytes.clear();
    m_sessionPictures.clear();
    m_sessionTexts.clear();
}
