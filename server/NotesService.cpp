#include "NotesService.h"

#include "Names.h"

#include "codec/Base64.h"
#include "codec/SessionToken.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <stdexcept>

namespace qb::server {
namespace {

std::string Refuse(const std::string& sentence, const std::string& detail = {})
{
    return "ERROR: " + sentence + "\n" + (detail.empty() ? "" : detail + "\n");
}

bool IsTransportText(std::string_view data)
{
    for (const char c : data) {
        if (kBase64Alphabet.find(c) == std::string_view::npos && c != '=' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

// Everything a handler needs while its transaction runs.
struct Tree {
    IStoreTransaction& tx;
    const std::string& account;
    std::int64_t now;
    std::int64_t lease;

    bool LockActive(const Node& node) const
    {
        return !node.lockOwner.empty() && now - node.lockTime < lease;
    }

    // The folder at a path, or nothing; the top folder is made on first write (0 stands
    // for a top folder not made yet). Records the chain of parents for IsWithin.
    std::optional<NodeId> Folder(std::string_view path, bool create)
    {
        const auto segments = SplitPath(path);
        if (!segments)
            return std::nullopt;
        auto id = tx.Root(account, create);
        if (!id)
            return segments->empty() ? std::optional<NodeId>(0) : std::nullopt;
        parents[*id] = 0;
        for (const auto& segment : *segments) {
            const auto node = tx.Child(*id, NameKey(segment));
            if (!node || !node->isFolder)
                return std::nullopt;
            parents[node->id] = *id;
            id = node->id;
        }
        return id;
    }

    bool HoldsActiveLock(const Node& node)
    {
        if (!node.isFolder)
            return LockActive(node);
        for (const auto& child : tx.Children(node.id)) {
            if (HoldsActiveLock(child))
                return true;
        }
        return false;
    }

    // Whether a folder resolved by Folder() lies at or below another: its recorded chain
    // of parents is walked up.
    bool IsWithin(NodeId candidate, NodeId ancestor) const
    {
        for (NodeId id = candidate; id != 0;) {
            if (id == ancestor)
                return true;
            const auto it = parents.find(id);
            if (it == parents.end())
                return false;
            id = it->second;
        }
        return false;
    }

    std::map<NodeId, NodeId> parents;

    // The entries of a folder named by a name list; a refusal for the first one missing.
    std::string Named(NodeId folder, const std::vector<std::string>& names, const char* verb,
                      std::vector<Node>& nodes)
    {
        for (const auto& n : names) {
            const auto node = tx.Child(folder, NameKey(n));
            if (!node)
                return Refuse("\"" + n + "\" does not exist. Nothing was " + verb + ".");
            nodes.push_back(*node);
        }
        return {};
    }

    void CopyInto(const Node& source, NodeId target, const std::string& name)
    {
        Node copy = source;
        copy.name = name;
        const std::string data = source.isFolder ? std::string() : tx.Data(source.id);
        const NodeId id = tx.Insert(account, target, copy, NameKey(name), data);
        if (source.isFolder) {
            for (const auto& child : tx.Children(source.id))
                CopyInto(child, id, child.name);
        }
    }
};

std::string FreeCopyName(IStoreTransaction& tx, NodeId folder, const std::string& name)
{
    if (!tx.Child(folder, NameKey(name)))
        return name;
    for (int n = 1;; ++n) {
        const std::string candidate = n == 1 ? "Copy of " + name : "Copy (" + std::to_string(n) + ") of " + name;
        if (!tx.Child(folder, NameKey(candidate)))
            return candidate;
    }
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    return dir + "/" + name;
}

struct NotePath {
    std::string folder;
    std::string name;
};

std::optional<NotePath> SplitNotePath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || !SplitPath(path))
        return std::nullopt;
    return NotePath{path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

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

NotesService::NotesService(INoteStore& store, ServiceOptions options, Clock clock)
    : m_store(store), m_options(std::move(options)), m_clock(std::move(clock))
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
    // One token cipher per serving thread: Unseal may re-expand it for a forged header,
    // so it is never shared between threads.
    thread_local const auto sealer = [] {
        struct Sealer {
            CAesCipher cipher;
            CBlockSealer sealer;
        };
        auto made = std::make_unique<Sealer>();
        PrepareTokenCipher(made->cipher);
        made->sealer.SetCipher(&made->cipher);
        return made;
    }();
    const auto token = OpenSessionToken(sealer->sealer, parsed.values.at("ID"));
    if (!token || token->account.empty()) {
        reply.text = Refuse("The session is not valid. Please restart Quillbox.");
        return reply;
    }
    reply.account = token->account;
    try {
        reply.text = Dispatch(script, token->account, parsed, reply);
    } catch (const std::exception& e) {
        reply.text = Refuse("The server could not complete the request. Nothing was changed.");
        reply.ok = false;
        reply.failure = e.what();
    }
    return reply;
}

std::string NotesService::Dispatch(const Script& script, const std::string& account, const ParsedBody& body,
                                   Reply& reply)
{
    const auto& v = body.values;
    auto field = [&](const char* name) -> const std::string& { return v.at(name); };
    const std::int64_t now = m_clock();
    std::string out;
    auto run = [&](bool write, const std::function<std::string(Tree&)>& work) {
        const std::string refusal = m_store.Transact(write, [&](IStoreTransaction& tx) {
            Tree tree{tx, account, now, m_options.lockLeaseSeconds, {}};
            return work(tree);
        });
        reply.ok = refusal.empty();
        if (write && reply.ok)
            m_listings.Changed(account);
        return refusal.empty() ? out : refusal;
    };
    const std::string& name = script.name;

    if (name == "qbdir.pl") {
        const std::string& dir = field("DIR");
        if (m_options.cacheListings) {
            if (auto cached = m_listings.Find(account, dir)) {
                reply.ok = true;
                return *cached;
            }
        }
        const std::uint64_t generation = m_listings.Generation(account);
        std::string listing = run(false, [&](Tree& t) {
            const auto folder = t.Folder(field("DIR"), false);
            if (!folder)
                return Refuse("The folder does not exist.", field("DIR"));
            // Children come in name order; folders go first, as the client shows them.
            out = "OK\n";
            std::string files;
            if (*folder) {
                t.tx.ForEachListed(*folder, [&](const IStoreTransaction::Listed& entry) {
                    AppendEntryLine(entry.isFolder ? out : files, entry.isFolder, entry.size, entry.modified, entry.name);
                });
            }
            out += files;
            return std::string();
        });
        if (m_options.cacheListings && reply.ok)
            m_listings.Store(account, dir, generation, listing);
        return listing;
    }

    if (name == "qbnewdir.pl") {
        return run(true, [&](Tree& t) {
            const auto folder = t.Folder(field("DIR"), true);
            if (!folder)
                return Refuse("The folder does not exist.", field("DIR"));
            std::string candidate = "New Folder";
            for (int n = 2; t.tx.Child(*folder, NameKey(candidate)); ++n)
                candidate = "New Folder (" + std::to_string(n) + ")";
            Node node;
            node.name = candidate;
            node.isFolder = true;
            node.modified = now;
            t.tx.Insert(account, *folder, node, NameKey(candidate), {});
            out = "OK\n" + EntryLine(node) + "\n";
            return std::string();
        });
    }

    if (name == "qbrename.pl") {
        return run(true, [&](Tree& t) {
            const std::string& from = field("FROM");
            const std::string& to = field("TO");
            if (const std::string problem = NameProblem(to); !problem.empty())
                return Refuse("Cannot rename to \"" + to + "\".", problem);
            const auto folder = t.Folder(field("DIR"), true);
            if (!folder)
                return Refuse("The folder does not exist.", field("DIR"));
            const auto node = t.tx.Child(*folder, NameKey(from));
            if (!node)
                return Refuse("\"" + from + "\" does not exist.");
            if (NameKey(from) != NameKey(to) && t.tx.Child(*folder, NameKey(to)))
                return Refuse("\"" + to + "\" already exists in this folder.");
            if (t.HoldsActiveLock(*node))
                return Refuse("\"" + from + "\" is open exclusively on another computer.");
            t.tx.Move(node->id, *folder, to, NameKey(to));
            out = "OK\n";
            return std::string();
        });
    }

    if (name == "qbdelete.pl") {
        const auto names = SplitNameList(field("LIST"));
        if (!names)
            return Refuse("The list of names to delete is empty or malformed.");
        return run(true, [&](Tree& t) {
            const auto folder = t.Folder(field("DIR"), true);
            if (!folder)
                return Refuse("The folder does not exist.", field("DIR"));
            std::vector<Node> nodes;
            if (std::string missing = t.Named(*folder, *names, "deleted", nodes); !missing.empty())
                return missing;
            for (const auto& node : nodes) {
                if (t.HoldsActiveLock(node))
                    return Refuse("\"" + node.name + "\" is open exclusively on another computer. Nothing was deleted.");
            }
            for (const auto& node : nodes)
                t.tx.Remove(node.id);
            out = "OK\n";
            return std::string();
        });
    }

    if (name == "qbcopy.pl" || name == "qbmove.pl") {
        const bool isMove = name == "qbmove.pl";
        const auto names = SplitNameList(field("FILELIST"));
        if (!names)
            return Refuse("The list of names is empty or malformed.");
        return run(true, [&](Tree& t) {
            const auto target = t.Folder(field("DIR"), true);
            if (!target)
                return Refuse("The target folder does not exist.", field("DIR"));
            const auto source = t.Folder(field("FROMDIR"), true);
            if (!source)
                return Refuse("The source folder does not exist.", field("FROMDIR"));
            const char* verb = isMove ? "moved" : "copied";
            std::vector<Node> nodes;
            if (std::string missing = t.Named(*source, *names, verb, nodes); !missing.empty())
                return missing;
            for (const auto& node : nodes) {
                const std::string& n = node.name;
                if (node.isFolder && t.IsWithin(*target, node.id))
                    return Refuse("\"" + n + "\" cannot be " + verb + " into itself. Nothing was " + verb + ".");
                if (isMove) {
                    if (t.tx.Child(*target, NameKey(n)))
                        return Refuse("\"" + n + "\" already exists in the target folder. Nothing was moved.");
                    if (t.HoldsActiveLock(node))
                        return Refuse("\"" + n + "\" is open exclusively on another computer. Nothing was moved.");
                }
            }
            for (const auto& node : nodes) {
                if (isMove) {
                    t.tx.Move(node.id, *target, node.name, NameKey(node.name));
                    continue;
                }
                const std::string copyName = FreeCopyName(t.tx, *target, node.name);
                if (!NameProblem(copyName).empty())
                    return Refuse("\"" + node.name + "\" has no free name for its copy. Nothing was copied.");
                t.CopyInto(node, *target, copyName);
            }
            out = "OK\n";
            return std::string();
        });
    }

    if (name == "qbopen.pl") {
        const std::string& lockId = field("LOCK");
        return run(!lockId.empty(), [&](Tree& t) {
            const auto path = SplitNotePath(field("FILE"));
            if (!path)
                return Refuse("The note path is not valid.", field("FILE"));
            const auto folder = t.Folder(path->folder, false);
            const auto node = folder && *folder ? t.tx.Child(*folder, NameKey(path->name)) : std::nullopt;
            if (!node || node->isFolder)
                return Refuse("The note does not exist.", field("FILE"));
            if (!lockId.empty()) {
                if (t.LockActive(*node) && node->lockOwner != lockId)
                    return Refuse("The note is open exclusively on another computer.",
                                  "It is locked by " + node->lockOwner + ". Open it without the lock to read it.");
                t.tx.SetLock(node->id, lockId, now);
            }
            const std::string data = t.tx.Data(node->id);
            out = "OK " + std::to_string(data.size()) + "\n" + data;
            return std::string();
        });
    }

    if (name == "qbsave.pl") {
        const std::string& lockPart = field("LOCK");
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
        const std::string& data = field("DATA");
        if (data.empty() || !IsTransportText(data))
            return Refuse("The note text is not valid. Nothing was saved.");
        const std::size_t limit =
            account == m_options.sharedAccount ? m_options.sharedAccountNoteLimit : m_options.maxNoteBytes;
        if (data.size() > limit)
            return Refuse(account == m_options.sharedAccount
                              ? "Due to the large volume, demo account file size is limited."
                              : "The note is too large to be saved.");
        const std::string& dir = field("DIR");
        const std::string& file = field("FILE");
        if (!file.empty() && file.front() == '/' && !dir.empty())
            return Refuse("The note path is not valid.", dir + " " + file);
        const std::string full = !file.empty() && file.front() == '/' ? file : JoinPath(dir, file);
        const auto path = SplitNotePath(full);
        if (!path)
            return Refuse("The note name is not valid.", NameProblem(file));
        return run(true, [&](Tree& t) {
            const auto folder = t.Folder(path->folder, true);
            if (!folder)
                return Refuse("The folder does not exist. Nothing was saved.", path->folder);
            const auto node = t.tx.Child(*folder, NameKey(path->name));
            if (node && node->isFolder)
                return Refuse("A folder named \"" + path->name + "\" already exists. Nothing was saved.");
            if (node && t.LockActive(*node) && node->lockOwner != lockId)
                return Refuse("The note is open exclusively on another computer. Nothing was saved.");
            NodeId id = 0;
            if (node) {
                id = node->id;
                t.tx.SetData(id, data, now);
            } else {
                Node created;
                created.name = path->name;
                created.modified = now;
                id = t.tx.Insert(account, *folder, created, NameKey(path->name), data);
            }
            if (node && !lockId.empty() && node->lockOwner == lockId)
                t.tx.SetLock(id, release ? std::string() : lockId, release ? 0 : now);
            out = "OK\n";
            return std::string();
        });
    }

    if (name == "qbunlock.pl") {
        const std::string& lockId = field("LOCK");
        return run(true, [&](Tree& t) {
            const auto path = SplitNotePath(field("FILE"));
            if (!path)
                return Refuse("The note path is not valid.", field("FILE"));
            const auto folder = t.Folder(path->folder, false);
            const auto node = folder && *folder ? t.tx.Child(*folder, NameKey(path->name)) : std::nullopt;
            if (!node || node->isFolder)
                return Refuse("The note does not exist.", field("FILE"));
            if (t.LockActive(*node) && node->lockOwner != lockId)
                return Refuse("The note is locked by another computer.");
            if (!node->lockOwner.empty())
                t.tx.SetLock(node->id, {}, 0);
            out = "OK\n";
            return std::string();
        });
    }
    return Refuse("Unknown request.");
}

} // namespace qb::server
