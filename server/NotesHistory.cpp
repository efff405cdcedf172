// The history scripts: a note's versions (list, open, restore) and the account's trash
// (list, put back).

#include "NotesService.h"

#include "TreeRules.h"

#include <variant>

namespace qb::server {
namespace {

// A version or trash entry number as the server writes it; nothing for anything else.
std::optional<std::int64_t> ParseId(std::string_view text)
{
    if (text.empty() || text.size() > 18 || text.front() == '0')
        return std::nullopt;
    std::int64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The note at a path, or the refusal for it.
std::variant<Node, std::string> FindNote(Tree& t, const std::string& file)
{
    const auto path = SplitNotePath(file);
    if (!path)
        return Refuse("The note path is not valid.", file);
    const auto folder = t.Folder(path->folder, false);
    const auto node = folder && *folder ? t.tx.Child(*folder, NameKey(path->name)) : std::nullopt;
    if (!node || node->isFolder)
        return Refuse("The note does not exist.", file);
    return *node;
}

void AppendNumbers(std::string& out, std::initializer_list<std::int64_t> numbers)
{
    for (const std::int64_t n : numbers) {
        out += std::to_string(n);
        out += '|';
    }
}

// The folder at a path, made again where it no longer exists; nothing when a note holds
// the name of one of its folders. Records the chain of parents as Tree::Folder does.
std::optional<NodeId> FolderMadeAgain(Tree& t, const std::string& path)
{
    const auto segments = SplitPath(path);
    if (!segments)
        return std::nullopt;
    NodeId id = *t.tx.Root(t.account, true);
    t.parents[id] = 0;
    for (const auto& segment : *segments) {
        auto node = t.tx.Child(id, NameKey(segment));
        if (node && !node->isFolder)
            return std::nullopt;
        NodeId next = 0;
        if (node) {
            next = node->id;
        } else {
            Node folder;
            folder.name = segment;
            folder.isFolder = true;
            folder.modified = t.now;
            next = t.tx.Insert(t.account, id, folder, NameKey(segment), {});
        }
        t.parents[next] = id;
        id = next;
    }
    return id;
}

} // namespace

std::optional<std::string> NotesService::DispatchHistory(const std::string& name, Request& r)
{
    if (name == "qbversions.pl")
        return Versions(r);
    if (name == "qbopenversion.pl")
        return OpenVersion(r);
    if (name == "qbrestore.pl")
        return Restore(r);
    if (name == "qbtrash.pl")
        return TrashList(r);
    if (name == "qbundelete.pl")
        return Undelete(r);
    return std::nullopt;
}

// "OK", then "id|size|modified" for each version, newest first.
std::string NotesService::Versions(Request& r)
{
    return Run(r, false, [&](Tree& t) {
        auto found = FindNote(t, r.Field("FILE"));
        if (auto* refusal = std::get_if<std::string>(&found))
            return *refusal;
        r.out = "OK\n";
        for (const auto& version : t.tx.Versions(std::get<Node>(found).id)) {
            AppendNumbers(r.out, {version.id, version.size});
            r.out += std::to_string(version.modified);
            r.out += '\n';
        }
        return std::string();
    });
}

// "OK N" and the version's N bytes, as an open answers.
std::string NotesService::OpenVersion(Request& r)
{
    const auto version = ParseId(r.Field("VERSION"));
    if (!version)
        return Refuse("The version does not exist.");
    return Run(r, false, [&](Tree& t) {
        auto found = FindNote(t, r.Field("FILE"));
        if (auto* refusal = std::get_if<std::string>(&found))
            return *refusal;
        const auto data = t.tx.VersionData(std::get<Node>(found).id, *version);
        if (!data)
            return Refuse("The version does not exist.");
        r.out = "OK " + std::to_string(data->size()) + "\n" + *data;
        return std::string();
    });
}

// The version becomes the note's text; the text it replaces becomes a version, as a save
// would keep it.
std::string NotesService::Restore(Request& r)
{
    const auto version = ParseId(r.Field("VERSION"));
    if (!version)
        return Refuse("The version does not exist. Nothing was restored.");
    const std::string& lockId = r.Field("LOCK");
    return Run(r, true, [&](Tree& t) {
        auto found = FindNote(t, r.Field("FILE"));
        if (auto* refusal = std::get_if<std::string>(&found))
            return *refusal;
        const Node& node = std::get<Node>(found);
        if (t.LockActive(node) && node.lockOwner != lockId)
            return Refuse(std::string(kLockedElsewhere) + " Nothing was restored.");
        const auto data = t.tx.VersionData(node.id, *version);
        if (!data)
            return Refuse("The version does not exist. Nothing was restored.");
        if (m_options.retention.KeepsVersions() && !m_storageFull)
            t.tx.KeepVersion(node.id, r.now, m_options.retention.versionsPerNote);
        t.tx.SetData(node.id, *data, r.now);
        r.out = "OK\n";
        return std::string();
    });
}

// "OK", then "id|isFolder|size|deleted|path" for each entry, newest first; the path is
// where the entry was, its name last.
std::string NotesService::TrashList(Request& r)
{
    return Run(r, false, [&](Tree& t) {
        r.out = "OK\n";
        for (const auto& entry : t.tx.TrashEntries(r.account)) {
            AppendNumbers(r.out, {entry.id, entry.isFolder ? 1 : 0, entry.bytes, entry.deleted});
            r.out += JoinPath(entry.place, entry.name);
            r.out += '\n';
        }
        return std::string();
    });
}

// Puts an entry back in the folder it left (made again if it went too), under its own
// name or, when that is taken, the name a copy would get. "OK", then its path.
std::string NotesService::Undelete(Request& r)
{
    const auto id = ParseId(r.Field("ENTRY"));
    if (!id)
        return Refuse("The entry is not in the trash.");
    return Run(r, true, [&](Tree& t) {
        const auto entry = t.tx.FindTrashEntry(r.account, *id);
        if (!entry)
            return Refuse("The entry is not in the trash.");
        const auto folder = FolderMadeAgain(t, entry->place);
        if (!folder)
            return Refuse("\"" + entry->place + "\" is no longer a folder. Nothing was restored.");
        // Its own name goes back as it was, even one that today's rule would not make: old
        // names stay in the tree as they are. A number added makes a new name, which keeps
        // the rule.
        const std::string name = CopyNamer(t.tx, *folder).Next(entry->name);
        if (name != entry->name && !NameProblem(name).empty())
            return Refuse("\"" + entry->name + "\" has no free name in its folder. Nothing was restored.");
        Node node;
        node.id = entry->node;
        node.isFolder = entry->isFolder;
        if (!t.FitsDepth(node, *folder))
            return Refuse("The folder tree would be too deep. Nothing was restored.",
                          "Folders nest at most " + std::to_string(kMaxFolderDepth) + " levels below the top folder.");
        t.tx.Move(entry->node, *folder, name, NameKey(name));
        t.tx.DropTrashEntry(entry->id);
        r.out = "OK\n" + JoinPath(entry->place, name) + "\n";
        return std::string();
    });
}

} // namespace qb::server
