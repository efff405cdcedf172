#pragma once
// The storage behind the notes service: a tree of folders and notes per account, reached
// only inside a transaction. The service's rules (names, locks, copies) sit above this
// interface, so another backend only has to provide these primitives.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qb::server {

using NodeId = std::int64_t;

struct Node {
    NodeId id = 0;
    NodeId parent = 0; // 0 for an account's top folder
    std::string name;
    bool isFolder = false;
    std::int64_t size = 0;     // bytes of stored text
    std::int64_t modified = 0; // seconds since 1970 UTC
    std::string lockOwner;     // empty when free
    std::int64_t lockTime = 0;
};

class IStoreTransaction {
public:
    virtual ~IStoreTransaction() = default;
    // The account's top folder; created on first use in a writing transaction.
    virtual std::optional<NodeId> Root(const std::string& account, bool create) = 0;
    virtual std::optional<Node> Child(NodeId parent, const std::string& nameKey) = 0;
    // In name order (ASCII case folded).
    virtual std::vector<Node> Children(NodeId parent) = 0;
    // What a listing shows of each child, in name order, without copying: the fast path
    // of the most frequent request.
    struct Listed {
        bool isFolder;
        std::int64_t size;
        std::int64_t modified;
        std::string_view name;
    };
    virtual void ForEachListed(NodeId parent, const std::function<void(const Listed&)>& visit) = 0;
    virtual NodeId Insert(const std::string& account, NodeId parent, const Node& node, const std::string& nameKey,
                          const std::string& data) = 0;
    virtual std::string Data(NodeId id) = 0;
    virtual void SetData(NodeId id, const std::string& data, std::int64_t modified) = 0;
    virtual void SetLock(NodeId id, const std::string& owner, std::int64_t time) = 0;
    virtual void Move(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) = 0;
    // Removes the node and everything below it (and their versions), whatever the depth
    // of the tree.
    virtual void Remove(NodeId id) = 0;

    // Tree walks. None recurses on the stack, so trees of any depth are safe.

    // A new child of parent with the node's own row (kind, text, size, date); no lock,
    // nothing of what lies below it.
    virtual NodeId CopyNode(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) = 0;
    // The keys of parent's children that begin with prefix, in key order.
    virtual std::vector<std::string> ChildKeysWithPrefix(NodeId parent, const std::string& prefix) = 0;
    struct Extent {
        std::int64_t nodes = 0; // the node itself included
        std::int64_t bytes = 0; // stored text
    };
    // Counts the node and what lies below it, stopping after maxNodes + 1 nodes.
    virtual Extent Measure(NodeId id, std::int64_t maxNodes) = 0;
    // Levels of folders from this folder down (1 for a folder without subfolders, 0 for a
    // note), counting no further than limit + 1.
    virtual int FolderHeight(NodeId id, int limit) = 0;
    // Whether a note at or below the node carries a lock taken after the given time.
    virtual bool LockedSince(NodeId id, std::int64_t after) = 0;

    // Storage that other server processes share counts the changes each account commits:
    // a listing read under one count is current for as long as the count stays. Every
    // writing transaction that changes an account calls CountChange before it commits.
    // Storage that is its one server's alone leaves the counting to that server (0, and
    // nothing done).
    virtual std::uint64_t ChangeCount(const std::string& account) = 0;
    virtual void CountChange(const std::string& account) = 0;

    // History. A version is a note's envelope as it was before a save replaced it, kept
    // under the note's id, so a rename or move keeps it; the text is never looked into.
    struct Version {
        std::int64_t id = 0;
        std::int64_t size = 0;
        std::int64_t modified = 0; // when that text was saved
    };
    // Keeps the note's present text as its newest version, replaced at the given time;
    // then drops its oldest versions beyond keep.
    virtual void KeepVersion(NodeId note, std::int64_t replaced, std::int64_t keep) = 0;
    // Newest first.
    virtual std::vector<Version> Versions(NodeId note) = 0;
    // The text of one of the note's versions, or nothing when the note has no such version.
    virtual std::optional<std::string> VersionData(NodeId note, std::int64_t version) = 0;

    // The trash. A deleted entry keeps its node ids (and so its notes' versions) but leaves
    // the account's tree; it remembers the folder path it left.
    struct TrashEntry {
        std::int64_t id = 0;
        NodeId node = 0;
        bool isFolder = false;
        std::int64_t bytes = 0; // stored text of every note in it
        std::int64_t deleted = 0;
        std::string place; // the folder it was in, as a path ("" for the top folder)
        std::string name;
    };
    // Takes the node and what lies below it out of the tree into the account's trash.
    virtual std::int64_t Trash(const std::string& account, const Node& node, const std::string& place,
                               std::int64_t deleted) = 0;
    // Newest first.
    virtual std::vector<TrashEntry> TrashEntries(const std::string& account) = 0;
    virtual std::optional<TrashEntry> FindTrashEntry(const std::string& account, std::int64_t id) = 0;
    // Forgets the entry; its node is left for the caller to put back (Move) or Remove.
    virtual void DropTrashEntry(std::int64_t id) = 0;

    // Retention: each call does at most limit rows' work and says how many it did.
    // Versions replaced before the time, oldest first.
    virtual int DropVersionsBefore(std::int64_t time, int limit) = 0;
    // Trash entries deleted before the time (their notes erased), oldest first.
    virtual int DropTrashBefore(std::int64_t time, int limit) = 0;
    // Accounts whose versions and trash hold more than budget bytes.
    virtual std::vector<std::string> AccountsOver(std::int64_t budget) = 0;
    // Drops the account's oldest versions and trash entries, in the order they were made,
    // until what it keeps fits budget.
    virtual int TrimAccount(const std::string& account, std::int64_t budget, int limit) = 0;
};

// A trashed entry's key among its account's top nodes, for the stores that keep the trash
// as parentless nodes beside the top folder (whose key is empty).
inline std::string TrashKey(std::int64_t entry)
{
    return "\x01trash " + std::to_string(entry);
}

// A failure of the storage itself. what() is its detail, for the log only.
class StorageError : public std::runtime_error {
public:
    enum class Kind {
        Failed, // nothing was changed
        Full,   // the disk or the database is full: nothing was changed
    };
    StorageError(Kind kind, const std::string& detail) : std::runtime_error(detail), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

class INoteStore {
public:
    virtual ~INoteStore() = default;
    // Runs work in one transaction. Work returns an empty string to commit, or a refusal
    // text to roll back; a storage failure throws StorageError and rolls back (an exception
    // from the work itself rolls back and passes through).
    using Work = std::function<std::string(IStoreTransaction&)>;
    virtual std::string Transact(bool write, const Work& work) = 0;
    // Whether other server processes may change this storage too; it then counts each
    // account's changes (IStoreTransaction::ChangeCount).
    virtual bool Shared() const = 0;
    // The account's change count as committed by now, outside any transaction.
    virtual std::uint64_t ChangeCount(const std::string& account) = 0;
};

} // namespace qb::server
