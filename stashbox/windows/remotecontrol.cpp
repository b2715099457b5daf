#include "remotecontrol.h"

#include "clipstore.h"
#include "gridmodel.h"
#include "listfile.h"
#include "listreport.h"
#include "summon.h"

#include <algorithm>

namespace {
// The command line's options and the requests they make.
struct Option
{
    const char* name;
    const char* command;
};
constexpr Option Commands[] = {
    {"--show", "show"}, {"--hide", "hide"}, {"--toggle", "toggle"}, {"--list", "list"}, {"--copy", "copy"},
};

// The running list's pictures are held in memory.
ListReport::PictureLookup heldPictures(const GridModel& grid)
{
    return [&grid](qsizetype row, const QString&) {
        const Picture picture = grid.cellPicture(int(row), 1);
        ListReport::Picture info;
        info.safe = true;
        info.exists = !picture.isNull();
        if (info.exists)
            info.size = picture.size();
        return info;
    };
}
} // namespace

const char* CommandLine::usage()
{
    return "Usage: stashbox [COMMAND]\n"
           "Keeps a history of what you copy. Without a command, starts Stashbox.\n"
           "A command goes to the Stashbox that runs for you:\n"
           "\n"
           "  --show         slide the list out (or show it from the tray), with the keyboard on it\n"
           "  --hide         slide it back (or hide it in the tray)\n"
           "  --toggle       the one or the other; bind a key of your desktop to this\n"
           "  --list         print the list, one item a line: row, kind, name, first line of text\n"
           "  --list --json  print all of the list as JSON (as sbxtool --json does for a file)\n"
           "  --copy N       put the item of row N (as --list numbers them) on the clipboard\n"
           "  --help         show this help\n"
           "  --version      show the version\n"
           "\n"
           "When Stashbox is not running, --list reads the list it saved, and --show, --toggle and\n"
           "--copy start it first.\n"
           "Exit status: 0 success, 1 the command failed, 2 wrong arguments.\n";
}

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    bool json = false;
    const auto invalid = [&line](const QString& why) {
        line.action = Action::Invalid;
        line.error = why;
        return line;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (!a.startsWith(QLatin1String("--")))
            continue;
        if (a == QLatin1String("--help") || a == QLatin1String("--version")) {
            line.action = a == QLatin1String("--help") ? Action::Help : Action::Version;
            return line;
        }
        if (a == QLatin1String("--json")) {
            json = true;
            continue;
        }
        const auto option = std::find_if(std::begin(Commands), std::end(Commands),
                                         [&a](const Option& o) { return a == QLatin1String(o.name); });
        if (option == std::end(Commands))
            return invalid(QStringLiteral("unknown option ") + a);
        if (line.action == Action::Command)
            return invalid(QStringLiteral("give one command only"));
        line.action = Action::Command;
        line.request.command = option->command;
        if (line.request.command == "copy") {
            bool ok = false;
            const qint64 row = i + 1 < arguments.size() ? arguments.at(i + 1).toLongLong(&ok) : -1;
            if (!ok || row < 0 || row > 999999999)
                return invalid(QStringLiteral("--copy needs a row number"));
            line.request.number = row;
            ++i;
        }
    }
    if (json) {
        if (line.request.command != "list")
            return invalid(QStringLiteral("--json goes with --list"));
        line.request.command = "list-json";
    }
    return line;
}

bool CommandLine::startsProgram() const
{
    return action == Action::Command && !request.command.startsWith("list") && request.command != "hide";
}

RemoteControl::RemoteControl(ClipStore& store, Summon& summon)
    : m_store(store)
    , m_summon(summon)
{
}

ControlChannel::Answer RemoteControl::answer(const ControlChannel::Request& request)
{
    const QByteArray& c = request.command;
    const bool numbered = c == "copy";
    if (numbered != (request.number >= 0))
        return ControlChannel::Answer::error(numbered
                                                 ? QStringLiteral("copy needs a row number")
                                                 : QStringLiteral("no number goes with ") + QString::fromLatin1(c));
    GridModel& grid = m_store.grid();
    if (c == "show")
        m_summon.show();
    else if (c == "hide")
        m_summon.hide();
    else if (c == "toggle")
        m_summon.toggle();
    else if (c == "list")
        return {true, ListReport::lines(ListFile::fromGrid(grid), heldPictures(grid))};
    else if (c == "list-json")
        return {true, ListReport::json(QString(), ListFile::fromGrid(grid), heldPictures(grid))};
    else if (c == "copy") {
        const int row = int(request.number);
        if (!m_store.isItemRow(row))
            return ControlChannel::Answer::error(QStringLiteral("row %1 holds no item").arg(request.number));
        // As a click on the row: it becomes current, opens up and goes on the clipboard.
        grid.pressRow(row, 1, 0, QPointF());
    } else
        return ControlChannel::Answer::error(QStringLiteral("unknown command ") + QString::fromLatin1(c));
    return {};
}
