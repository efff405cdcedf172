#pragma once
// The rules of an account's tree inside one transaction: resolving folders, locks and their
// lease, ancestry, copies; and the small helpers every script's handler shares.

#include "Names.h"
#include "NoteStore.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qb::server {

// "ERROR: " + a sentence for the user, then an optional detail line.
std::string Refuse(const std::string& sentence, const std::string& detail = {});
// Every refusal over another computer's lock: the identity holding it is never told.
inline constexpr const char* kLockedElsewhere = "This note is open exclusively on another computer.";
// Note text must be non-empty text of the codec's alphabet ("=", CR and LF included).
bool IsTransportText(std::string_view data);
// Folders nest at most this many levels below an account's top folder.
inline constexpr int kMaxFolderDepth = 256;

// Names for copies into one folder: "x", else "Copy of x", "Copy (2) of x", ..., the
// smallest number free. The folder's "copy ..." names are read once, so a request copying
// many names costs one range read, not a lookup per number tried.
class CopyNamer {
public:
    CopyNamer(IStoreTransaction& tx, NodeId folder);
    // The name for a copy of name; remembers it as taken.
    std::string Next(const std::string& name);

private:
    void Record(const std::string& key);

    IStoreTransaction& m_tx;
    NodeId m_folder;
    std::map<std::string, std::set<std::int64_t>> m_taken; // name key -> copy numbers taken
};
// "New Folder", else "New Folder (2)", ...: the smallest number free, from one range read.
std::string NewFolderName(IStoreTransaction& tx, NodeId folder);
std::string JoinPath(const std::string& dir, const std::string& name);

struct NotePath {
    std::string folder;
    std::string name;
};
std::optional<NotePath> SplitNotePath(const std::string& path);

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
        return node.isFolder ? tx.LockedSince(node.id, now - lease) : LockActive(node);
    }

    // Levels below the top folder of a folder resolved by Folder().
    int DepthOf(NodeId folder) const
    {
        int depth = 0;
        for (auto it = parents.find(folder); it != parents.end() && it->second != 0; it = parents.find(it->second))
            ++depth;
        return depth;
    }

    // Whether the node's folders, put into a folder resolved by Folder(), stay within
    // kMaxFolderDepth.
    bool FitsDepth(const Node& node, NodeId target)
    {
        const int room = kMaxFolderDepth - DepthOf(target);
        return !node.isFolder || tx.FolderHeight(node.id, std::max(room, 0)) <= room;
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

    // Copies a node and everything below it, folder by folder from a queue: no depth
    // reaches the stack. The text stays inside the store.
    void CopyInto(const Node& source, NodeId target, const std::string& name);
};

} // namespace qb::server
