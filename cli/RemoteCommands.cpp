// Commands on the remote tree, each one or a few script requests through the same request
// channel as the explorer: ls, mkdir, mv, cp, rm, lock, unlock, get, put.

#include "CommandTable.h"
#include "KeyRing.h"
#include "ListingText.h"
#include "LocalFiles.h"
#include "NoteFiles.h"
#include "RemoteOps.h"

#include "app/ClientApp.h"
#include "codec/Note.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <ostream>
#include <set>

namespace qb::cli {
namespace {

// "d  -  date  name" for a folder, "-  size  date  name" for a note: kind, size in bytes of
// note text, local modification time, name.
std::string LongLine(const ListedEntry& entry)
{
    char line[64];
    if (entry.isFolder)
        std::snprintf(line, sizeof line, "d %10s  %s  ", "-", DateOf(entry.modified).c_str());
    else
        std::snprintf(line, sizeof line, "- %10d  %s  ", entry.size, DateOf(entry.modified).c_str());
    return line + entry.name;
}

std::string JsonEntry(const ListedEntry& entry)
{
    return "{\"name\":" + JsonString(entry.name) + ",\"folder\":" + (entry.isFolder ? "true" : "false")
        + ",\"size\":" + std::to_string(entry.size) + ",\"modified\":" + std::to_string(entry.modified) + "}";
}

int Ls(Context& c)
{
    const std::string path = RemotePathOf(c.args.operands.empty() ? "" : c.args.operands[0]);
    std::vector<ListedEntry> entries;
    if (auto listing = c.tree->List(path)) {
        entries = std::move(*listing);
    } else {
        // A note is shown as its own line, as ls does with a file.
        std::string error;
        auto entry = listing.error().refused ? FindEntry(*c.tree, path, error) : std::nullopt;
        if (!entry || entry->isFolder) {
            c.Error(Shown(path) + ": " + (error.empty() ? OneLine(listing.error()) : error));
            return kExitFailed;
        }
        entries.push_back(std::move(*entry));
    }
    WriteItems(c.Out(), c.args.Has("--json"), entries, LongLine, JsonEntry);
    return kExitDone;
}

int Mkdir(Context& c)
{
    int status = kExitDone;
    for (const std::string& typed : c.args.operands) {
        const std::string path = RemotePathOf(typed);
        if (path.empty()) {
            c.Error("/ already exists");
            status = kExitFailed;
        } else if (auto made = MakeFolder(*c.tree, path, c.args.Has("--parents")); !made) {
            c.Error(Shown(path) + ": " + OneLine(made.error()));
            status = kExitFailed;
        }
    }
    return status;
}

int Rm(Context& c)
{
    int status = kExitDone;
    for (const std::string& typed : c.args.operands) {
        const std::string path = RemotePathOf(typed);
        const auto parent = ParentPath(path);
        if (!parent) {
            c.Error("/ cannot be deleted");
            status = kExitFailed;
        } else if (auto deleted = c.tree->Delete(*parent, {LeafName(path)}); !deleted) {
            c.Error(Shown(path) + ": " + OneLine(deleted.error()));
            status = kExitFailed;
        }
    }
    return status;
}

// Copy or move each source into DEST when it is a folder; a single source to a new name
// otherwise (the server keeps names when it moves and names copies itself, so the tool
// renames afterwards).
int Paste(Context& c, bool move)
{
    const std::vector<std::string>& operands = c.args.operands;
    const std::string dest = RemotePathOf(operands.back());
    std::string error;
    const auto destEntry = FindEntry(*c.tree, dest, error);
    if (!error.empty()) {
        c.Error(Shown(dest) + ": " + error);
        return kExitFailed;
    }
    int status = kExitDone;
    auto failed = [&](const std::string& path, const std::string& why) {
        c.Error(Shown(path) + ": " + why);
        status = kExitFailed;
    };
    if (destEntry && destEntry->isFolder) {
        for (std::size_t i = 0; i + 1 < operands.size(); ++i) {
            const std::string source = RemotePathOf(operands[i]);
            const auto from = ParentPath(source);
            if (!from) {
                failed(source, move ? "/ cannot be moved" : "/ cannot be copied");
                continue;
            }
            if (auto pasted = c.tree->Paste(move, dest, *from, {LeafName(source)}); !pasted)
                failed(source, OneLine(pasted.error()));
        }
        return status;
    }
    if (operands.size() > 2) {
        c.Error(Shown(dest) + " is not a folder");
        return kExitFailed;
    }
    if (destEntry) {
        c.Error(Shown(dest) + " already exists");
        return kExitFailed;
    }
    const std::string source = RemotePathOf(operands[0]);
    const auto from = ParentPath(source);
    const auto to = ParentPath(dest);
    if (!from || !to) {
        c.Error(Shown(source) + (move ? " cannot be moved there" : " cannot be copied there"));
        return kExitFailed;
    }
    const std::string name = LeafName(source);
    const std::string newName = LeafName(dest);
    if (move && *from == *to) {
        if (auto renamed = c.tree->Rename(*from, name, newName); !renamed)
            failed(source, OneLine(renamed.error()));
        return status;
    }
    // What the target folder holds before, so the one new entry can be told.
    const auto before = c.tree->List(*to);
    if (!before) {
        failed(*to, OneLine(before.error()));
        return status;
    }
    if (auto pasted = c.tree->Paste(move, *to, *from, {name}); !pasted) {
        failed(source, OneLine(pasted.error()));
        return status;
    }
    std::string arrived = name;
    if (!move) {
        const auto after = c.tree->List(*to);
        if (!after) {
            failed(*to, OneLine(after.error()));
            return status;
        }
        std::set<std::string> old;
        for (const ListedEntry& entry : *before)
            old.insert(entry.name);
        for (const ListedEntry& entry : *after) {
            if (!old.count(entry.name))
                arrived = entry.name;
        }
    }
    if (arrived != newName) {
        if (auto renamed = c.tree->Rename(*to, arrived, newName); !renamed)
            failed(dest, OneLine(renamed.error()) + " (it is now " + Shown(ChildPath(*to, arrived)) + ")");
    }
    return status;
}

int Lock(Context& c)
{
    int status = kExitDone;
    const std::string& identity = c.app->Identity();
    for (const std::string& typed : c.args.operands) {
        const std::string path = RemotePathOf(typed);
        // An exclusive open takes the lock; the note text that comes with it is not needed.
        RemoteResult<void> done;
        if (c.args.command == "lock") {
            if (auto fetched = c.tree->Fetch(path, identity); !fetched)
                done = Fail(fetched.error());
        } else {
            done = c.tree->Unlock(path, identity);
        }
        if (!done) {
            c.Error(Shown(path) + ": " + OneLine(done.error()));
            status = kExitFailed;
        }
    }
    return status;
}

int Get(Context& c)
{
    const std::string path = RemotePathOf(c.args.operands[0]);
    if (c.args.Has("--raw") && c.args.Has("--text")) {
        c.Error("get takes --raw or --text, not both");
        return kExitUsage;
    }
    auto fetched = c.tree->Fetch(path);
    if (!fetched) {
        c.Error(Shown(path) + ": " + OneLine(fetched.error()));
        return kExitFailed;
    }
    std::string error;
    std::string output;
    if (c.args.Has("--raw")) {
        output = std::move(*fetched);
    } else {
        const auto note = ReadNote(*fetched);
        if (!note) {
            c.Error(Shown(path) + ": " + std::string(Describe(note.error())));
            return kExitFailed;
        }
        auto ring = KeyRingFor(c, error);
        if (!ring) {
            c.Error(error);
            return kExitFailed;
        }
        auto opened = ring->Open(*note);
        if (!opened) {
            c.Error(Shown(path) + ": " + opened.error());
            return kExitFailed;
        }
        output = AsText(*opened);
        SecureWipe(opened->data(), opened->size());
        if (c.args.Has("--text")) {
            auto text = RtfToText(output);
            SecureWipe(output.data(), output.size());
            if (!text) {
                c.Error(Shown(path) + ": the note holds no RTF");
                return kExitFailed;
            }
            output = std::move(*text);
        }
    }
    const bool written = WriteOutput(c.args.Value("--output"), output, c.Out(), error);
    SecureWipe(output.data(), output.size());
    if (!written) {
        c.Error(error);
        return kExitFailed;
    }
    return kExitDone;
}

int Put(Context& c)
{
    const std::string local = c.args.operands[0];
    std::string path = RemotePathOf(c.args.operands[1]);
    const std::string keyName = c.args.Value("--name");
    if (keyName.empty()) {
        c.Error("put needs --name KEYNAME: notes are stored only encrypted");
        return kExitUsage;
    }
    std::string error;
    const auto bytes = ReadInput(local, error);
    if (!bytes) {
        c.Error(error);
        return kExitFailed;
    }
    const std::string fileName = local == "-" ? "" : std::filesystem::path(local).filename().string();
    // Into a folder, under the file's own name.
    if (const auto entry = FindEntry(*c.tree, path, error); entry && entry->isFolder) {
        if (fileName.empty()) {
            c.Error(Shown(path) + " is a folder: name the note");
            return kExitUsage;
        }
        path = ChildPath(path, NoteNameFor(fileName, KindOfFileName(fileName)));
    }
    const LocalKind kind = LooksLikeRtf(*bytes) ? LocalKind::Rtf : LocalKind::Text;
    auto ring = KeyRingFor(c, error);
    if (!ring) {
        c.Error(error);
        return kExitFailed;
    }
    const auto key = ring->KeyFor(keyName, error);
    if (!key) {
        c.Error(error);
        return kExitFailed;
    }
    const auto text = SealLocal(kind, *bytes, keyName, key->View(), c.app->Account());
    if (!text) {
        c.Error(local + ": " + text.error());
        return kExitFailed;
    }
    const auto parent = ParentPath(path);
    if (!parent) {
        c.Error("put needs the note's path, not /");
        return kExitUsage;
    }
    if (auto stored = c.tree->Store(*parent, LeafName(path), *text); !stored) {
        c.Error(Shown(path) + ": " + OneLine(stored.error()));
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace

void AddRemoteCommands(std::vector<CommandSpec>& table)
{
    table.push_back({"ls", "ls [PATH] [--json]", ServerOptions({kJsonOption}), 0, 1, true, false, Ls});
    table.push_back({"mkdir", "mkdir [-p] PATH...", ServerOptions({{"--parents", "-p", false, false}}), 1, -1, true,
                     false, Mkdir});
    table.push_back({"mv", "mv SRC... DEST", ServerOptions(), 2, -1, true, false,
                     [](Context& c) { return Paste(c, true); }});
    table.push_back({"cp", "cp SRC... DEST", ServerOptions(), 2, -1, true, false,
                     [](Context& c) { return Paste(c, false); }});
    table.push_back({"rm", "rm PATH...", ServerOptions(), 1, -1, true, false, Rm});
    table.push_back({"lock", "lock PATH...   (as this computer, as Open Exclusive does)", ServerOptions(), 1, -1, true,
                     false, Lock});
    table.push_back({"unlock", "unlock PATH...", ServerOptions(), 1, -1, true, false, Lock});
    table.push_back({"get", "get PATH [--text | --raw] [--key-file FILE]... [-o OUT]",
                     ServerOptions({kKeyFileOption, kOutputOption, {"--text", "", false, false},
                                    {"--raw", "", false, false}}),
                     1, 1, true, true, Get});
    table.push_back({"put", "put LOCAL PATH --name KEYNAME [--key-file FILE]", ServerOptions({kKeyFileOption, kNameOption}),
                     2, 2, true, true, Put});
}

} // namespace qb::cli
