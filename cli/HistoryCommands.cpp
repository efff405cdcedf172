// A note's earlier versions and the account's trash, through the same history calls as the
// explorer's dialogs: versions, restore, trash, undelete.

#include "CommandTable.h"
#include "ListingText.h"
#include "RemoteOps.h"

#include "app/ClientApp.h"
#include "app/NoteHistory.h"

#include <charconv>
#include <cstdio>
#include <ostream>

namespace qb::cli {
namespace {

// A version or trash entry number as typed; nothing when it is not one.
std::optional<std::int64_t> IdOf(const std::string& typed)
{
    std::int64_t id = 0;
    const auto [end, ec] = std::from_chars(typed.data(), typed.data() + typed.size(), id);
    if (typed.empty() || ec != std::errc() || end != typed.data() + typed.size() || id <= 0)
        return std::nullopt;
    return id;
}

// "id  size  date": the version's number (what restore takes), bytes of note text, when it
// was saved.
std::string VersionLine(const NoteVersion& v)
{
    char line[80];
    std::snprintf(line, sizeof line, "%8lld %10lld  %s", static_cast<long long>(v.id), static_cast<long long>(v.size),
                  DateOf(v.saved).c_str());
    return line;
}

std::string VersionJson(const NoteVersion& v)
{
    return "{\"id\":" + std::to_string(v.id) + ",\"size\":" + std::to_string(v.size)
        + ",\"saved\":" + std::to_string(v.saved) + "}";
}

// "id  kind  size  date  path": the entry's number (what undelete takes), "d" for a folder
// or "-" for a note as ls shows them, bytes of every note in it, when it was deleted,
// where it was.
std::string TrashLine(const TrashEntry& e)
{
    char line[80];
    std::snprintf(line, sizeof line, "%8lld %c %10lld  %s  ", static_cast<long long>(e.id), e.isFolder ? 'd' : '-',
                  static_cast<long long>(e.size), DateOf(e.deleted).c_str());
    return line + e.path;
}

std::string TrashJson(const TrashEntry& e)
{
    return "{\"id\":" + std::to_string(e.id) + ",\"folder\":" + (e.isFolder ? "true" : "false")
        + ",\"size\":" + std::to_string(e.size) + ",\"deleted\":" + std::to_string(e.deleted)
        + ",\"path\":" + JsonString(e.path) + "}";
}

int Versions(Context& c)
{
    const std::string path = RemotePathOf(c.args.operands[0]);
    CNoteHistory history(*c.app);
    const auto versions = history.Versions(path);
    if (!versions) {
        c.Error(Shown(path) + ": " + OneLine(history.Error()));
        return kExitFailed;
    }
    WriteItems(c.Out(), c.args.Has("--json"), *versions, VersionLine, VersionJson);
    return kExitDone;
}

int Restore(Context& c)
{
    const std::string path = RemotePathOf(c.args.operands[0]);
    const auto version = IdOf(c.args.operands[1]);
    if (!version) {
        c.Error(c.args.operands[1] + " is not a version number (quillbox-cli versions PATH lists them)");
        return kExitUsage;
    }
    // This computer's identity, so a note it locked itself may be restored.
    CNoteHistory history(*c.app);
    if (!history.Restore(path, *version, c.app->Identity())) {
        c.Error(Shown(path) + ": " + OneLine(history.Error()));
        return kExitFailed;
    }
    return kExitDone;
}

int Trash(Context& c)
{
    CNoteHistory history(*c.app);
    const auto entries = history.Trash();
    if (!entries) {
        c.Error(OneLine(history.Error()));
        return kExitFailed;
    }
    WriteItems(c.Out(), c.args.Has("--json"), *entries, TrashLine, TrashJson);
    return kExitDone;
}

int Undelete(Context& c)
{
    int status = kExitDone;
    CNoteHistory history(*c.app);
    for (const std::string& typed : c.args.operands) {
        const auto entry = IdOf(typed);
        if (!entry) {
            c.Error(typed + " is not a trash entry number (quillbox-cli trash lists them)");
            return kExitUsage;
        }
    }
    for (const std::string& typed : c.args.operands) {
        if (const auto put = history.Undelete(*IdOf(typed))) {
            c.Out() << *put << "\n";
        } else {
            c.Error(typed + ": " + OneLine(history.Error()));
            status = kExitFailed;
        }
    }
    return status;
}

} // namespace

void AddHistoryCommands(std::vector<CommandSpec>& table)
{
    table.push_back({"versions", "versions PATH [--json]   (id, size, date saved)",
                     ServerOptions({kJsonOption}), 1, 1, true, false, Versions});
    table.push_back({"restore", "restore PATH VERSION",
                     ServerOptions(), 2, 2, true, false, Restore});
    table.push_back({"trash", "trash [--json]   (id, kind, size, date deleted, where it was)",
                     ServerOptions({kJsonOption}), 0, 0, true, false, Trash});
    table.push_back({"undelete", "undelete ENTRY...   (prints where each was put back)", ServerOptions(), 1,
                     -1, true, false, Undelete});
}

} // namespace qb::cli
