#include "NotesService.h"

#include "TreeRules.h"

#include "codec/SessionToken.h"

#include <cstdio>
#include <ctime>
#include <memory>

namespace qb::server {

void AppendEntryLine(std::string& out, bool isFolder, std::int64_t size, std::int64_t modified,
                     std::string_view name)
{
    char numbers[64];
    const int n = std::snprintf(numbers, sizeof numbers, "%d|%lld|%lld|", isFolder ? 1 : 0,
                                static_cast<long long>(isFolder ? 0 : size), static_cast<long long>(modified));
    out.append(numbers, static_cast<std::size_t>(n));
    out.append(name);
    out += '\n';
}

std::string EntryLine(const Node& node)
{
    std::string line;
    AppendEntryLine(line, node.isFolder, node.size, node.modified, node.name);
    line.pop_back();
    return line;
}

namespace {

// A lock identity is a computer's short name; the longest part the client sends is this
// plus "&UNLOCK=1".
constexpr std::size_t kMaxLockPartBytes = 255;

// A lock identity is a computer's name and keeps the name rule. So a save whose note name
// held "&LOCK=" (split there, the rest taken for the lock) is refused, never stored under
// the part before the marker.
bool ValidLockId(std::string_view id)
{
    return id.empty() || NameProblem(id).empty();
}

std::string BadLockId()
{
    return Refuse("The request is not in the expected form.", "The lock identity is not valid.");
}

std::string PathTooLong()
{
    return Refuse("The path is too long (at most " + std::to_string(kMaxPathBytes) + " bytes).");
}

std::string TooManyNamesRefusal(const char* verb)
{
    return Refuse("Too many names at once (at most " + std::to_string(kMaxListNames) + "). Nothing was " + verb
                  + ".");
}

std::string TooDeep(const std::string& consequence)
{
    return Refuse("The folder tree would be too deep." + consequence,
                  "Folders nest at most " + std::to_string(kMaxFolderDepth) + " levels below the top folder.");
}

} // namespace

NotesService::NotesService(INoteStore& store, ServiceOptions options, Clock clock)
    : m_store(store), m_options(std::move(options)), m_clock(std::move(clock)), m_listings(m_options.listingCacheBytes)
{
    if (!m_clock)
        m_clock = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

Reply NotesService::Handle(const Script& script, std::string_view body)
{
    Reply reply;
    const ParsedBody parsed = SplitBody(script, body);
    if (!parsed.error.empty()) {
        reply.text = Refuse("The request is not in the expected form.", parsed.error);
        return reply;
    }
    // The sealer only reads its cipher: every serving thread shares this one.
    static const CTokenSealer tokenSealer;
    const auto token = tokenSealer.Unseal(parsed.values.at("ID"));
    if (!token) {
        reply.text = Refuse("The session is not valid. Please restart Quillbox.");
        return reply;
    }
    reply.account = token->account;
    try {
        reply.text = Dispatch(script, token->account, parsed, reply);
    } catch (const std::exception& e) {
        const auto* storage = dynamic_cast<const StorageError*>(&e);
        reply.text = Refuse(storage && storage->kind() == StorageError::Kind::Full
                                ? "The server's storage is full."
                                : "The server could not complete the request. Nothing was changed.");
        reply.ok = false;
        reply.failure = e.what();
        if (storage && storage->kind() == StorageError::Kind::Full)
            m_storageFull = true;
    }
    return reply;
}

std::string NotesService::Run(Request& r, bool write, const std::function<std::string(Tree&)>& work)
{
    const std::string refusal = m_store.Transact(write, [&](IStoreTransaction& tx) {
        Tree tree{tx, r.account, r.now, m_options.lockLeaseSeconds, {}};
        std::string refused = work(tree);
        if (write && refused.empty())
            tx.CountChange(r.account);
        return refused;
    });
    r.reply.ok = refusal.empty();
    // Shared storage counted the change itself; a count of this server's own would only
    // run apart from it.
    if (write && r.reply.ok && !m_store.Shared())
        m_listings.Changed(r.account);
    return refusal.empty() ? r.out : refusal;
}

std::string NotesService::Dispatch(const Script& script, const std::string& account, const ParsedBody& body,
                                   Reply& reply)
{
    if (std::string refusal = SizeRefusal(account, body); !refusal.empty())
        return refusal;
    if (std::string refusal = FormRefusal(body); !refusal.empty())
        return refusal;
    std::map<std::string, std::string> values;
    for (const auto& [field, value] : body.values)
        values.emplace(field, value);
    Request r{account, values, m_clock(), reply, {}};
    const std::string& name = script.name;
    if (name == "qbdir.pl")
        return List(r);
    if (name == "qbnewdir.pl")
        return NewFolder(r);
    if (name == "qbrename.pl")
        return Rename(r);
    if (name == "qbdelete.pl")
        return Delete(r);
    if (name == "qbcopy.pl" || name == "qbmove.pl")
        return CopyOrMove(r, name == "qbmove.pl");
    if (name == "qbopen.pl")
        return Open(r);
    if (name == "qbsave.pl")
        return Save(r);
    if (name == "qbunlock.pl")
        return Unlock(r);
    if (auto history = DispatchHistory(name, r))
        return std::move(*history);
    return Refuse("Unknown request.");
}

std::string NotesService::SizeRefusal(const std::string& account, const ParsedBody& body) const
{
    const auto size = [&](const char* field) {
        const auto it = body.values.find(field);
        return it == body.values.end() ? 0 : it->second.size();
    };
    for (const char* field : {"DIR", "FROMDIR", "FILE"}) {
        if (size(field) > kMaxPathBytes)
            return PathTooLong();
    }
    if (size("LOCK") > kMaxLockPartBytes)
        return Refuse("The request is not in the expected form.", "The lock identity is too long.");
    const bool shared = account == m_options.sharedAccount;
    if (size("DATA") > (shared ? m_options.sharedAccountNoteLimit : m_options.maxNoteBytes))
        return Refuse(shared ? "The shared account keeps notes of at most "
                                   + std::to_string(m_options.sharedAccountNoteLimit) + " bytes. Nothing was saved."
                             : "The note is too large to be saved.");
    return {};
}

std::string NotesService::FormRefusal(const ParsedBody& body)
{
    for (const char* field : {"DIR", "FROMDIR"}) {
        const auto it = body.values.find(field);
        if (it != body.values.end() && !SplitPath(it->second))
            return Refuse("The folder path is not valid.", std::string(it->second));
    }
    return {};
}

std::string NotesService::List(Request& r)
{
    const std::string& dir = r.Field("DIR");
    const bool cache = m_options.cacheListings;
    // Storage shared with other servers counts each account's changes: one short read
    // tells whether a kept listing is current. Otherwise this server counts them itself.
    const bool shared = m_store.Shared();
    std::uint64_t generation = 0;
    if (cache) {
        generation = shared ? m_store.ChangeCount(r.account) : m_listings.Generation(r.account);
        if (const auto folder = m_listings.FindFolder(r.account, dir, generation)) {
            if (auto cached = m_listings.FindListing(r.account, *folder, generation)) {
                r.reply.ok = true;
                return std::move(*cached);
            }
        }
    }
    NodeId listed = 0;
    std::string listing = Run(r, false, [&](Tree& t) {
        if (cache && shared)
            generation = t.tx.ChangeCount(r.account); // as of the snapshot the listing comes from
        const auto folder = t.Folder(r.Field("DIR"), false);
        if (!folder)
            return Refuse("The folder does not exist.", r.Field("DIR"));
        listed = *folder;
        // Another spelling of a path already listed: the listing is kept under the folder.
        if (auto cached = cache && *folder ? m_listings.FindListing(r.account, *folder, generation) : std::nullopt) {
            r.out = std::move(*cached);
            return std::string();
        }
        // Children come in name order; folders go first, as the client shows them.
        r.out = "OK\n";
        std::string files;
        if (*folder) {
            t.tx.ForEachListed(*folder, [&](const IStoreTransaction::Listed& entry) {
                AppendEntryLine(entry.isFolder ? r.out : files, entry.isFolder, entry.size, entry.modified, entry.name);
            });
        }
        r.out += files;
        return std::string();
    });
    if (cache && r.reply.ok)
        m_listings.Store(r.account, dir, listed, generation, listing);
    return listing;
}

std::string NotesService::NewFolder(Request& r)
{
    return Run(r, true, [&](Tree& t) {
        const auto folder = t.Folder(r.Field("DIR"), true);
        if (!folder)
            return Refuse("The folder does not exist.", r.Field("DIR"));
        if (t.DepthOf(*folder) >= kMaxFolderDepth)
            return TooDeep("");
        std::string candidate = NewFolderName(t.tx, *folder);
        Node node;
        node.name = candidate;
        node.isFolder = true;
        node.modified = r.now;
        t.tx.Insert(r.account, *folder, node, NameKey(candidate), {});
        r.out = "OK\n" + EntryLine(node) + "\n";
        return std::string();
    });
}

std::string NotesService::Rename(Request& r)
{
    return Run(r, true, [&](Tree& t) {
        const std::string& from = r.Field("FROM");
        const std::string& to = r.Field("TO");
        // Only the new name is held to the rule: an old name that breaks it can be mended.
        if (const std::string problem = NameProblem(to); !problem.empty())
            return Refuse(problem);
        const auto folder = t.Folder(r.Field("DIR"), true);
        if (!folder)
            return Refuse("The folder does not exist.", r.Field("DIR"));
        const auto node = t.tx.Child(*folder, NameKey(from));
        if (!node)
            return Refuse("\"" + from + "\" does not exist.");
        if (NameKey(from) != NameKey(to) && t.tx.Child(*folder, NameKey(to)))
            return Refuse("\"" + to + "\" already exists in this folder.");
        if (t.HoldsActiveLock(*node))
            return Refuse("\"" + from + "\" is open exclusively on another computer.");
        t.tx.Move(node->id, *folder, to, NameKey(to));
        r.out = "OK\n";
        return std::string();
    });
}

std::string NotesService::Delete(Request& r)
{
    if (TooManyNames(r.Field("LIST")))
        return TooManyNamesRefusal("deleted");
    const auto names = SplitNameList(r.Field("LIST"));
    if (!names)
        return Refuse("The list of names to delete is empty or malformed.");
    return Run(r, true, [&](Tree& t) {
        const auto folder = t.Folder(r.Field("DIR"), true);
        if (!folder)
            return Refuse("The folder does not exist.", r.Field("DIR"));
        std::vector<Node> nodes;
        if (std::string missing = t.Named(*folder, *names, "deleted", nodes); !missing.empty())
            return missing;
        for (const auto& node : nodes) {
            if (t.HoldsActiveLock(node))
                return Refuse("\"" + node.name + "\" is open exclusively on another computer. Nothing was deleted.");
        }
        for (const auto& node : nodes) {
            if (m_options.retention.KeepsTrash() && !m_storageFull)
                t.tx.Trash(r.account, node, r.Field("DIR"), r.now);
            else
                t.tx.Remove(node.id);
        }
        r.out = "OK\n";
        return std::string();
    });
}

std::string NotesService::CopyOrMove(Request& r, bool isMove)
{
    const char* verb = isMove ? "moved" : "copied";
    if (TooManyNames(r.Field("FILELIST")))
        return TooManyNamesRefusal(verb);
    const auto names = SplitNameList(r.Field("FILELIST"));
    if (!names)
        return Refuse("The list of names is empty or malformed.");
    return Run(r, true, [&](Tree& t) {
        const auto target = t.Folder(r.Field("DIR"), true);
        if (!target)
            return Refuse("The target folder does not exist.", r.Field("DIR"));
        const auto source = t.Folder(r.Field("FROMDIR"), true);
        if (!source)
            return Refuse("The source folder does not exist.", r.Field("FROMDIR"));
        std::vector<Node> nodes;
        if (std::string missing = t.Named(*source, *names, verb, nodes); !missing.empty())
            return missing;
        IStoreTransaction::Extent copied; // what the copy will create, counted before it starts
        for (const auto& node : nodes) {
            const std::string& n = node.name;
            if (node.isFolder && t.IsWithin(*target, node.id))
                return Refuse("\"" + n + "\" cannot be " + verb + " into itself. Nothing was " + verb + ".");
            if (isMove) {
                if (t.tx.Child(*target, NameKey(n)))
                    return Refuse("\"" + n + "\" already exists in the target folder. Nothing was moved.");
                if (t.HoldsActiveLock(node))
                    return Refuse("\"" + n + "\" is open exclusively on another computer. Nothing was moved.");
            } else {
                const auto extent = t.tx.Measure(node.id, m_options.maxCopyNodes - copied.nodes);
                copied.nodes += extent.nodes;
                copied.bytes += extent.bytes;
                if (copied.nodes > m_options.maxCopyNodes)
                    return Refuse("The copy would hold more than " + std::to_string(m_options.maxCopyNodes)
                                  + " items. Nothing was copied.");
                if (copied.bytes > m_options.maxCopyBytes)
                    return Refuse("The copy would hold more than " + std::to_string(m_options.maxCopyBytes)
                                  + " bytes of notes. Nothing was copied.");
            }
            if (!t.FitsDepth(node, *target))
                return TooDeep(std::string(" Nothing was ") + verb + ".");
        }
        CopyNamer namer(t.tx, *target);
        for (const auto& node : nodes) {
            if (isMove) {
                t.tx.Move(node.id, *target, node.name, NameKey(node.name));
                continue;
            }
            // A copy makes a name: one made before the rule was kept cannot be copied as it is.
            if (const std::string problem = NameProblem(node.name); !problem.empty())
                return Refuse("\"" + node.name + "\" must be renamed before it can be copied. Nothing was copied.",
                              problem);
            const std::string copyName = namer.Next(node.name);
            if (!NameProblem(copyName).empty())
                return Refuse("\"" + node.name + "\" has no free name for its copy. Nothing was copied.");
            t.CopyInto(node, *target, copyName);
        }
        r.out = "OK\n";
        return std::string();
    });
}

std::string NotesService::Open(Request& r)
{
    const std::string& lockId = r.Field("LOCK");
    if (!ValidLockId(lockId))
        return BadLockId();
    return Run(r, !lockId.empty(), [&](Tree& t) {
        const auto path = SplitNotePath(r.Field("FILE"));
        if (!path)
            return Refuse("The note path is not valid.", r.Field("FILE"));
        const auto folder = t.Folder(path->folder, false);
        const auto node = folder && *folder ? t.tx.Child(*folder, NameKey(path->name)) : std::nullopt;
        if (!node || node->isFolder)
            return Refuse("The note does not exist.", r.Field("FILE"));
        if (!lockId.empty()) {
            // The lock's identity is never told: presenting it would save over the note.
            if (t.LockActive(*node) && node->lockOwner != lockId)
                return Refuse(kLockedElsewhere, "Open it without the lock to read it.");
            t.tx.SetLock(node->id, lockId, r.now);
        }
        const std::string data = t.tx.Data(node->id);
        r.out = "OK " + std::to_string(data.size()) + "\n" + data;
        return std::string();
    });
}

std::string NotesService::Save(Request& r)
{
    const std::string& lockPart = r.Field("LOCK");
    static constexpr std::string_view kRelease = "&UNLOCK=1";
    bool release = false;
    std::string lockId;
    if (lockPart.size() >= kRelease.size() && lockPart.ends_with(kRelease)) {
        release = true;
        lockId = lockPart.substr(0, lockPart.size() - kRelease.size());
    } else if (!lockPart.empty() && lockPart.back() == '0') {
        lockId = lockPart.substr(0, lockPart.size() - 1);
    } else {
        return Refuse("The request is not in the expected form.", "The lock part must end with 0 or &UNLOCK=1.");
    }
    if (!ValidLockId(lockId))
        return BadLockId();
    const std::string& data = r.Field("DATA");
    if (data.empty() || !IsTransportText(data))
        return Refuse("The note text is not valid. Nothing was saved.");
    // Its size was judged before the body's values were copied (SizeRefusal).
    // FILE is a path ("/A/n.rtf") only when DIR is empty; otherwise it is a name in DIR,
    // and a "/" in it makes no path.
    const std::string& dir = r.Field("DIR");
    const std::string& file = r.Field("FILE");
    NotePath path{dir, file};
    if (dir.empty() && file.starts_with('/')) {
        const auto split = SplitNotePath(file);
        if (!split)
            return Refuse("The note path is not valid.", file);
        path = *split;
    } else if (file.find('/') != std::string::npos) {
        return Refuse(NameProblem(file) + " Nothing was saved."); // no entry could have this name
    }
    if (path.folder.size() + 1 + path.name.size() > kMaxPathBytes)
        return PathTooLong();
    std::string result = Run(r, true, [&](Tree& t) {
        const auto folder = t.Folder(path.folder, true);
        if (!folder)
            return Refuse("The folder does not exist. Nothing was saved.", path.folder);
        const auto node = t.tx.Child(*folder, NameKey(path.name));
        // A new note makes a name; saving over a note keeps the name it has.
        if (!node) {
            if (const std::string problem = NameProblem(path.name); !problem.empty())
                return Refuse(problem + " Nothing was saved.");
        }
        if (node && node->isFolder)
            return Refuse("A folder named \"" + path.name + "\" already exists. Nothing was saved.");
        if (node && t.LockActive(*node) && node->lockOwner != lockId)
            return Refuse(std::string(kLockedElsewhere) + " Nothing was saved.");
        NodeId id = 0;
        if (node) {
            id = node->id;
            if (m_options.retention.KeepsVersions() && !m_storageFull)
                t.tx.KeepVersion(id, r.now, m_options.retention.versionsPerNote);
            t.tx.SetData(id, data, r.now);
        } else {
            Node created;
            created.name = path.name;
            created.modified = r.now;
            id = t.tx.Insert(r.account, *folder, created, NameKey(path.name), data);
        }
        if (node && !lockId.empty() && node->lockOwner == lockId)
            t.tx.SetLock(id, release ? std::string() : lockId, release ? 0 : r.now);
        r.out = "OK\n";
        return std::string();
    });
    if (result == "OK\n")
        m_storageFull = false; // there is room again
    return result;
}

std::string NotesService::Unlock(Request& r)
{
    const std::string& lockId = r.Field("LOCK");
    if (!ValidLockId(lockId))
        return BadLockId();
    return Run(r, true, [&](Tree& t) {
        const auto path = SplitNotePath(r.Field("FILE"));
        if (!path)
            return Refuse("The note path is not valid.", r.Field("FILE"));
        const auto folder = t.Folder(path->folder, false);
        const auto node = folder && *folder ? t.tx.Child(*folder, NameKey(path->name)) : std::nullopt;
        if (!node || node->isFolder)
            return Refuse("The note does not exist.", r.Field("FILE"));
        if (t.LockActive(*node) && node->lockOwner != lockId)
            return Refuse(kLockedElsewhere);
        if (!node->lockOwner.empty())
            t.tx.SetLock(node->id, {}, 0);
        r.out = "OK\n";
        return std::string();
    });
}

} // namespace qb::server
