#include "SqliteStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

namespace qb::server {
namespace {

// The columns of versions put the text last: sizes and dates are read without paging
// through it.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS nodes (
    id INTEGER PRIMARY KEY,
    account TEXT NOT NULL,
    parent INTEGER REFERENCES nodes(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    name_key TEXT NOT NULL,
    is_folder INTEGER NOT NULL,
    data BLOB NOT NULL DEFAULT x'',
    size INTEGER NOT NULL DEFAULT 0,
    modified INTEGER NOT NULL DEFAULT 0,
    lock_owner TEXT NOT NULL DEFAULT '',
    lock_time INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX IF NOT EXISTS nodes_by_name ON nodes(parent, name_key);
CREATE UNIQUE INDEX IF NOT EXISTS tops ON nodes(account, name_key) WHERE parent IS NULL;
CREATE TABLE IF NOT EXISTS versions (
    id INTEGER PRIMARY KEY,
    account TEXT NOT NULL,
    note INTEGER NOT NULL,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    replaced INTEGER NOT NULL,
    data BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS versions_by_note ON versions(note, id);
CREATE INDEX IF NOT EXISTS versions_by_age ON versions(replaced, id);
CREATE INDEX IF NOT EXISTS versions_by_account ON versions(account, replaced, id, size);
CREATE TABLE IF NOT EXISTS trash (
    id INTEGER PRIMARY KEY,
    account TEXT NOT NULL,
    node INTEGER NOT NULL,
    is_folder INTEGER NOT NULL,
    bytes INTEGER NOT NULL,
    deleted INTEGER NOT NULL,
    place TEXT NOT NULL,
    name TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS trash_by_account ON trash(account, deleted, id);
CREATE INDEX IF NOT EXISTS trash_by_age ON trash(deleted, id);
CREATE TABLE IF NOT EXISTS account_changes (
    account TEXT PRIMARY KEY,
    count INTEGER NOT NULL
);
)sql";

// Databases made before the trash had one top node per account; a trashed entry is a top
// node too (under a key no folder name can have), so tops are unique by account and key.
constexpr const char* kUpgrade = "DROP INDEX IF EXISTS roots;";

StorageError::Kind KindOf(int rc)
{
    return (rc & 0xff) == SQLITE_FULL ? StorageError::Kind::Full : StorageError::Kind::Failed;
}

[[noreturn]] void Fail(sqlite3* db, const char* what, int rc)
{
    throw StorageError(KindOf(rc), std::string(what) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
}

using StepHook = std::function<bool()>;

// One prepared statement. Whatever happens, a use leaves it reset with no bindings: a
// statement left half-run on a pooled connection refuses the next request's binds and
// would run again with this request's values, in another account.
class Statement {
public:
    // doubt is set when the statement cannot be reset: its connection must then be closed.
    Statement(sqlite3* db, const char* sql, const StepHook* failStep, bool& doubt)
        : m_db(db), m_failStep(failStep), m_doubt(doubt)
    {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
        if (rc != SQLITE_OK)
            Fail(db, "prepare", rc);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Resets the statement when it goes out of scope, for reads that step more than once.
    class Use {
    public:
        explicit Use(Statement& statement) : m_statement(statement) {}
        ~Use() { m_statement.Reset(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        Statement& m_statement;
    };
    [[nodiscard]] Use Scope() { return Use(*this); }

    Statement& Bind(int index, std::int64_t value) { return Check(sqlite3_bind_int64(m_stmt, index, value)); }
    Statement& Bind(int index, const std::string& value)
    {
        return Check(sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
    }
    Statement& BindBlob(int index, const std::string& value)
    {
        return Check(sqlite3_bind_blob(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
    }
    Statement& BindParent(int index, NodeId parent)
    {
        return Check(parent == 0 ? sqlite3_bind_null(m_stmt, index) : sqlite3_bind_int64(m_stmt, index, parent));
    }
    // True for a row; throws (after resetting) on a failure.
    bool Step()
    {
        if (m_failStep && (*m_failStep)())
            InjectedFailure();
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE) {
            const std::string message = std::string("step: ") + sqlite3_errmsg(m_db);
            Reset();
            throw StorageError(KindOf(rc), message);
        }
        return false;
    }
    void Run()
    {
        const Use use(*this);
        Step();
    }
    void Reset() noexcept
    {
        sqlite3_reset(m_stmt); // repeats the last step's error, which was already reported
        sqlite3_clear_bindings(m_stmt);
        if (sqlite3_stmt_busy(m_stmt))
            m_doubt = true;
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    // Valid until the next step or reset.
    std::string_view View(int column) const
    {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        if (!p) {
            // Empty, or no memory to convert it: never pass the latter off as empty text.
            if (sqlite3_errcode(m_db) == SQLITE_NOMEM)
                throw StorageError(StorageError::Kind::Failed, "column: out of memory");
            return {};
        }
        return std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
    }
    std::string Text(int column) const { return std::string(View(column)); }

private:
    // Fails as a real storage failure may: after the statement did part of its work (a row
    // read, a row written and left for the rollback). BEGIN, COMMIT and ROLLBACK fail before
    // they act, so that a failure reported never committed.
    [[noreturn]] void InjectedFailure()
    {
        if (sqlite3_column_count(m_stmt) > 0 || !sqlite3_stmt_readonly(m_stmt))
            sqlite3_step(m_stmt);
        Reset();
        throw StorageError(StorageError::Kind::Failed, "step: injected failure");
    }

    Statement& Check(int rc)
    {
        if (rc != SQLITE_OK) {
            const std::string message = std::string("bind: ") + sqlite3_errmsg(m_db);
            Reset();
            throw StorageError(KindOf(rc), message);
        }
        return *this;
    }

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    const StepHook* m_failStep;
    bool& m_doubt;
};

void Exec(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw StorageError(KindOf(rc), std::string("exec: ") + text);
    }
}

std::int64_t PragmaNumber(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    std::int64_t value = 0;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        value = sqlite3_column_int64(stmt, 0);
    const int rc = sqlite3_finalize(stmt);
    if (rc != SQLITE_OK)
        Fail(db, "pragma", rc);
    return value;
}

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

constexpr const char* kNodeColumns = "id, COALESCE(parent, 0), name, is_folder, size, modified, lock_owner, lock_time";

Node ReadNode(const Statement& s)
{
    Node node;
    node.id = s.Int(0);
    node.parent = s.Int(1);
    node.name = s.Text(2);
    node.isFolder = s.Int(3) != 0;
    node.size = s.Int(4);
    node.modified = s.Int(5);
    node.lockOwner = s.Text(6);
    node.lockTime = s.Int(7);
    return node;
}

std::string Sql(const char* head, const char* tail)
{
    return std::string(head) + kNodeColumns + tail;
}

// The node ?1 and everything below it, parents before their children. SQLite runs a
// recursive query as a queue, so no tree depth reaches the stack.
constexpr const char* kSubtree = "WITH RECURSIVE sub(id) AS (VALUES(?1)"
                                 " UNION ALL SELECT n.id FROM nodes n JOIN sub ON n.parent = sub.id";

} // namespace

struct SqliteStore::Connection final : IStoreTransaction {
    Connection(const std::string& path, const SqliteStoreOptions& options, bool upgrade = false)
        : handle(Open(path)), counting(!options.exclusive)
    {
        db = handle.get();
        sqlite3_busy_timeout(db, options.busyTimeoutMs);
        Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
        Exec(db, kSchema);
        if (upgrade)
            Exec(db, kUpgrade);
        if (options.maxPageCount > 0)
            Exec(db, ("PRAGMA max_page_count=" + std::to_string(options.maxPageCount)).c_str());
        maxPages = PragmaNumber(db, "PRAGMA max_page_count");
        const StepHook* hook = options.failStep ? &options.failStep : nullptr;
        const auto prepare = [&](const std::string& sql) {
            return std::make_unique<Statement>(db, sql.c_str(), hook, inDoubt);
        };
        root = prepare("SELECT id FROM nodes WHERE account = ? AND parent IS NULL AND name_key = ''");
        addRoot = prepare("INSERT INTO nodes(account, parent, name, name_key, is_folder) VALUES (?, NULL, '', '', 1)");
        child = prepare(Sql("SELECT ", " FROM nodes WHERE parent = ? AND name_key = ?"));
        children = prepare(Sql("SELECT ", " FROM nodes WHERE parent = ? ORDER BY name_key"));
        listed = prepare("SELECT is_folder, size, modified, name FROM nodes WHERE parent = ? ORDER BY name_key");
        insert = prepare("INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)"
                         " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        data = prepare("SELECT data FROM nodes WHERE id = ?");
        setData = prepare("UPDATE nodes SET data = ?, size = ?, modified = ? WHERE id = ?");
        setLock = prepare("UPDATE nodes SET lock_owner = ?, lock_time = ? WHERE id = ?");
        move = prepare("UPDATE nodes SET parent = ?, name = ?, name_key = ? WHERE id = ?");
        remove = prepare("DELETE FROM nodes WHERE id = ?");
        subtree = prepare(std::string(kSubtree) + ") SELECT id FROM sub");
        copyNode = prepare("INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)"
                           " SELECT account, ?, ?, ?, is_folder, data, size, modified FROM nodes WHERE id = ?");
        keysFrom = prepare("SELECT name_key FROM nodes WHERE parent = ? AND name_key >= ? ORDER BY name_key");
        measure = prepare(std::string(kSubtree) + " LIMIT ?2) SELECT COUNT(*), COALESCE(SUM(n.size), 0)"
                                                  " FROM sub JOIN nodes n ON n.id = sub.id");
        folderHeight = prepare("WITH RECURSIVE sub(id, depth) AS (SELECT id, 1 FROM nodes WHERE id = ?1 AND is_folder"
                               " UNION ALL SELECT n.id, sub.depth + 1 FROM nodes n JOIN sub ON n.parent = sub.id"
                               " WHERE n.is_folder AND sub.depth <= ?2) SELECT COALESCE(MAX(depth), 0) FROM sub");
        lockedSince = prepare(std::string(kSubtree) + ") SELECT 1 FROM sub JOIN nodes n ON n.id = sub.id"
                              " WHERE n.is_folder = 0 AND n.lock_owner <> '' AND n.lock_time > ?2 LIMIT 1");
        keepVersion = prepare("INSERT INTO versions(account, note, size, modified, replaced, data)"
                              " SELECT account, id, size, modified, ?2, data FROM nodes WHERE id = ?1");
        trimVersions = prepare("DELETE FROM versions WHERE note = ?1 AND id <= (SELECT id FROM versions"
                               " WHERE note = ?1 ORDER BY id DESC LIMIT 1 OFFSET ?2)");
        versions = prepare("SELECT id, size, modified FROM versions WHERE note = ? ORDER BY id DESC");
        versionData = prepare("SELECT data FROM versions WHERE note = ? AND id = ?");
        removeVersions = prepare("DELETE FROM versions WHERE note = ?");
        addTrash = prepare("INSERT INTO trash(account, node, is_folder, bytes, deleted, place, name)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?)");
        constexpr const char* kTrashColumns = "SELECT id, node, is_folder, bytes, deleted, place, name FROM trash";
        trashEntries = prepare(std::string(kTrashColumns) + " WHERE account = ? ORDER BY deleted DESC, id DESC");
        trashEntry = prepare(std::string(kTrashColumns) + " WHERE account = ? AND id = ?");
        dropTrash = prepare("DELETE FROM trash WHERE id = ?");
        oldVersions = prepare("DELETE FROM versions WHERE id IN (SELECT id FROM versions WHERE replaced < ?"
                              " ORDER BY replaced, id LIMIT ?)");
        oldTrash = prepare("SELECT id, node FROM trash WHERE deleted < ? ORDER BY deleted, id LIMIT ?");
        accountsOver = prepare("SELECT account FROM (SELECT account, SUM(size) AS kept FROM versions GROUP BY account"
                               " UNION ALL SELECT account, SUM(bytes) FROM trash GROUP BY account)"
                               " GROUP BY account HAVING SUM(kept) > ?");
        accountKept = prepare("SELECT (SELECT COALESCE(SUM(size), 0) FROM versions WHERE account = ?1)"
                              " + (SELECT COALESCE(SUM(bytes), 0) FROM trash WHERE account = ?1)");
        oldestVersion = prepare("SELECT id, replaced, size FROM versions WHERE account = ?"
                                " ORDER BY replaced, id LIMIT 1");
        oldestTrash = prepare("SELECT id, deleted, bytes, node FROM trash WHERE account = ? ORDER BY deleted, id LIMIT 1");
        dropVersion = prepare("DELETE FROM versions WHERE id = ?");
        changeCount = prepare("SELECT count FROM account_changes WHERE account = ?");
        countChange = prepare("INSERT INTO account_changes(account, count) VALUES (?, 1)"
                              " ON CONFLICT(account) DO UPDATE SET count = count + 1");
        beginRead = prepare("BEGIN");
        // IMMEDIATE: a writer takes the write lock up front and waits for it (busy timeout);
        // a read lock upgraded later would fail at once instead of waiting.
        beginWrite = prepare("BEGIN IMMEDIATE");
        commit = prepare("COMMIT");
        rollback = prepare("ROLLBACK");
    }

    static std::unique_ptr<sqlite3, CloseDatabase> Open(const std::string& path)
    {
        sqlite3* opened = nullptr;
        const int rc = sqlite3_open_v2(path.c_str(), &opened,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        std::unique_ptr<sqlite3, CloseDatabase> handle(opened);
        if (rc != SQLITE_OK)
            throw StorageError(KindOf(rc), "cannot open database " + path + ": "
                                               + (opened ? sqlite3_errmsg(opened) : sqlite3_errstr(rc)));
        return handle;
    }

    // After a failure: ends the transaction and resets every statement. False when the
    // connection cannot be trusted with another request.
    bool Settle() noexcept
    {
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        bool clean = sqlite3_get_autocommit(db) != 0 && !inDoubt;
        for (sqlite3_stmt* stmt = sqlite3_next_stmt(db, nullptr); stmt; stmt = sqlite3_next_stmt(db, stmt)) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
            clean = clean && !sqlite3_stmt_busy(stmt);
        }
        return clean;
    }

    // Pins the page limit at the database's present size while the disk is full, and lifts
    // it again once there is room. Runs inside the write transaction, so the size is current.
    void LimitGrowth(bool full, std::int64_t normalLimit)
    {
        if (full)
            Exec(db, "PRAGMA max_page_count=1"); // SQLite raises it to the present size
        else if (growthLimited)
            Exec(db, ("PRAGMA max_page_count=" + std::to_string(normalLimit)).c_str());
        growthLimited = full;
    }

    std::optional<NodeId> Root(const std::string& account, bool create) override
    {
        NodeId id = 0;
        {
            const auto use = root->Scope();
            if (root->Bind(1, account).Step())
                id = root->Int(0);
        }
        if (id != 0)
            return id;
        if (!create)
            return std::nullopt;
        addRoot->Bind(1, account).Run();
        return sqlite3_last_insert_rowid(db);
    }

    std::optional<Node> Child(NodeId parent, const std::string& nameKey) override
    {
        const auto use = child->Scope();
        std::optional<Node> node;
        if (child->Bind(1, parent).Bind(2, nameKey).Step())
            node = ReadNode(*child);
        return node;
    }

    std::vector<Node> Children(NodeId parent) override
    {
        const auto use = children->Scope();
        std::vector<Node> nodes;
        children->Bind(1, parent);
        while (children->Step())
            nodes.push_back(ReadNode(*children));
        return nodes;
    }

    void ForEachListed(NodeId parent, const std::function<void(const Listed&)>& visit) override
    {
        const auto use = listed->Scope();
        listed->Bind(1, parent);
        while (listed->Step())
            visit(Listed{listed->Int(0) != 0, listed->Int(1), listed->Int(2), listed->View(3)});
    }

    NodeId Insert(const std::string& account, NodeId parent, const Node& node, const std::string& nameKey,
                  const std::string& text) override
    {
        insert->Bind(1, account).BindParent(2, parent).Bind(3, node.name).Bind(4, nameKey);
        insert->Bind(5, node.isFolder ? 1 : 0).BindBlob(6, text).Bind(7, static_cast<std::int64_t>(text.size()));
        insert->Bind(8, node.modified).Run();
        return sqlite3_last_insert_rowid(db);
    }

    std::string Data(NodeId id) override
    {
        const auto use = data->Scope();
        return data->Bind(1, id).Step() ? data->Text(0) : std::string();
    }

    void SetData(NodeId id, const std::string& text, std::int64_t modified) override
    {
        setData->BindBlob(1, text).Bind(2, static_cast<std::int64_t>(text.size())).Bind(3, modified).Bind(4, id).Run();
    }

    void SetLock(NodeId id, const std::string& owner, std::int64_t time) override
    {
        setLock->Bind(1, owner).Bind(2, time).Bind(3, id).Run();
    }

    void Move(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) override
    {
        move->BindParent(1, parent).Bind(2, name).Bind(3, nameKey).Bind(4, id).Run();
    }

    // Bottom-up, one row at a time: a row without children never sets off the foreign
    // key's cascade, whose recursion stops at 1000 levels.
    void Remove(NodeId id) override
    {
        std::vector<NodeId> ids;
        {
            const auto use = subtree->Scope();
            subtree->Bind(1, id);
            while (subtree->Step())
                ids.push_back(subtree->Int(0));
        }
        for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
            removeVersions->Bind(1, *it).Run();
            remove->Bind(1, *it).Run();
        }
    }

    NodeId CopyNode(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) override
    {
        copyNode->BindParent(1, parent).Bind(2, name).Bind(3, nameKey).Bind(4, id).Run();
        return sqlite3_last_insert_rowid(db);
    }

    std::vector<std::string> ChildKeysWithPrefix(NodeId parent, const std::string& prefix) override
    {
        std::vector<std::string> keys;
        const auto use = keysFrom->Scope();
        keysFrom->Bind(1, parent).Bind(2, prefix);
        while (keysFrom->Step()) {
            const std::string_view key = keysFrom->View(0);
            if (!key.starts_with(prefix))
                break; // past the range of the prefix
            keys.emplace_back(key);
        }
        return keys;
    }

    Extent Measure(NodeId id, std::int64_t maxNodes) override
    {
        const auto use = measure->Scope();
        measure->Bind(1, id).Bind(2, maxNodes + 1);
        measure->Step();
        return Extent{measure->Int(0), measure->Int(1)};
    }

    int FolderHeight(NodeId id, int limit) override
    {
        const auto use = folderHeight->Scope();
        folderHeight->Bind(1, id).Bind(2, static_cast<std::int64_t>(limit));
        folderHeight->Step();
        return static_cast<int>(folderHeight->Int(0));
    }

    bool LockedSince(NodeId id, std::int64_t after) override
    {
        const auto use = lockedSince->Scope();
        lockedSince->Bind(1, id).Bind(2, after);
        return lockedSince->Step();
    }

    std::uint64_t ChangeCount(const std::string& account) override
    {
        if (!counting)
            return 0;
        const auto use = changeCount->Scope();
        changeCount->Bind(1, account);
        return changeCount->Step() ? static_cast<std::uint64_t>(changeCount->Int(0)) : 0;
    }

    void CountChange(const std::string& account) override
    {
        if (counting)
            countChange->Bind(1, account).Run();
    }

    void KeepVersion(NodeId note, std::int64_t replaced, std::int64_t keep) override
    {
        keepVersion->Bind(1, note).Bind(2, replaced).Run();
        trimVersions->Bind(1, note).Bind(2, std::max<std::int64_t>(keep, 0)).Run();
    }

    std::vector<Version> Versions(NodeId note) override
    {
        const auto use = versions->Scope();
        std::vector<Version> found;
        versions->Bind(1, note);
        while (versions->Step())
            found.push_back(Version{versions->Int(0), versions->Int(1), versions->Int(2)});
        return found;
    }

    std::optional<std::string> VersionData(NodeId note, std::int64_t version) override
    {
        const auto use = versionData->Scope();
        std::optional<std::string> text;
        if (versionData->Bind(1, note).Bind(2, version).Step())
            text = versionData->Text(0);
        return text;
    }

    std::int64_t Trash(const std::string& account, const Node& node, const std::string& place,
                       std::int64_t deleted) override
    {
        const std::int64_t bytes = Measure(node.id, std::int64_t{1} << 60).bytes;
        addTrash->Bind(1, account).Bind(2, node.id).Bind(3, node.isFolder ? 1 : 0).Bind(4, bytes);
        addTrash->Bind(5, deleted).Bind(6, place).Bind(7, node.name).Run();
        const std::int64_t entry = sqlite3_last_insert_rowid(db);
        Move(node.id, 0, node.name, TrashKey(entry));
        return entry;
    }

    static TrashEntry ReadTrashEntry(const Statement& s)
    {
        return TrashEntry{s.Int(0), s.Int(1), s.Int(2) != 0, s.Int(3), s.Int(4), s.Text(5), s.Text(6)};
    }

    std::vector<TrashEntry> TrashEntries(const std::string& account) override
    {
        const auto use = trashEntries->Scope();
        std::vector<TrashEntry> entries;
        trashEntries->Bind(1, account);
        while (trashEntries->Step())
            entries.push_back(ReadTrashEntry(*trashEntries));
        return entries;
    }

    std::optional<TrashEntry> FindTrashEntry(const std::string& account, std::int64_t id) override
    {
        const auto use = trashEntry->Scope();
        std::optional<TrashEntry> entry;
        if (trashEntry->Bind(1, account).Bind(2, id).Step())
            entry = ReadTrashEntry(*trashEntry);
        return entry;
    }

    void DropTrashEntry(std::int64_t id) override { dropTrash->Bind(1, id).Run(); }

    int DropVersionsBefore(std::int64_t time, int limit) override
    {
        oldVersions->Bind(1, time).Bind(2, static_cast<std::int64_t>(limit)).Run();
        return sqlite3_changes(db);
    }

    // Erases an entry's notes and forgets it.
    void EraseTrashEntry(std::int64_t entry, NodeId node)
    {
        Remove(node);
        DropTrashEntry(entry);
    }

    int DropTrashBefore(std::int64_t time, int limit) override
    {
        std::vector<std::pair<std::int64_t, NodeId>> entries;
        {
            const auto use = oldTrash->Scope();
            oldTrash->Bind(1, time).Bind(2, static_cast<std::int64_t>(limit));
            while (oldTrash->Step())
                entries.emplace_back(oldTrash->Int(0), oldTrash->Int(1));
        }
        for (const auto& [entry, node] : entries)
            EraseTrashEntry(entry, node);
        return static_cast<int>(entries.size());
    }

    std::vector<std::string> AccountsOver(std::int64_t budget) override
    {
        const auto use = accountsOver->Scope();
        std::vector<std::string> accounts;
        accountsOver->Bind(1, budget);
        while (accountsOver->Step())
            accounts.push_back(accountsOver->Text(0));
        return accounts;
    }

    int TrimAccount(const std::string& account, std::int64_t budget, int limit) override
    {
        std::int64_t kept = 0;
        {
            const auto use = accountKept->Scope();
            accountKept->Bind(1, account).Step();
            kept = accountKept->Int(0);
        }
        int done = 0;
        for (; done < limit && kept > budget; ++done) {
            struct Oldest {
                std::int64_t id = 0, time = 0, bytes = 0;
                NodeId node = 0;
            };
            std::optional<Oldest> version, entry;
            {
                const auto use = oldestVersion->Scope();
                if (oldestVersion->Bind(1, account).Step())
                    version = Oldest{oldestVersion->Int(0), oldestVersion->Int(1), oldestVersion->Int(2), 0};
            }
            {
                const auto use = oldestTrash->Scope();
                if (oldestTrash->Bind(1, account).Step())
                    entry = Oldest{oldestTrash->Int(0), oldestTrash->Int(1), oldestTrash->Int(2), oldestTrash->Int(3)};
            }
            if (version && (!entry || version->time <= entry->time)) {
                dropVersion->Bind(1, version->id).Run();
                kept -= version->bytes;
            } else if (entry) {
                // The versions of its notes go with it: count again.
                EraseTrashEntry(entry->id, entry->node);
                const auto use = accountKept->Scope();
                accountKept->Bind(1, account).Step();
                kept = accountKept->Int(0);
            } else {
                break;
            }
        }
        return done;
    }

    // Declared first, so it closes after every statement is finalized.
    std::unique_ptr<sqlite3, CloseDatabase> handle;
    sqlite3* db = nullptr;
    bool inDoubt = false;       // a statement could not be reset
    bool growthLimited = false; // the page limit is pinned (disk full)
    std::int64_t maxPages = 0;  // the page limit when there is room
    const bool counting;        // other servers share the database: changes are counted
    std::unique_ptr<Statement> root, addRoot, child, children, listed, insert, data, setData, setLock, move, remove;
    std::unique_ptr<Statement> subtree, copyNode, keysFrom, measure, folderHeight, lockedSince; // tree walks
    std::unique_ptr<Statement> keepVersion, trimVersions, versions, versionData, removeVersions; // history
    std::unique_ptr<Statement> addTrash, trashEntries, trashEntry, dropTrash;                    // trash
    std::unique_ptr<Statement> oldVersions, oldTrash, accountsOver, accountKept, oldestVersion, oldestTrash,
        dropVersion; // retention
    std::unique_ptr<Statement> changeCount, countChange;                 // servers sharing the database
    std::unique_ptr<Statement> beginRead, beginWrite, commit, rollback; // prepared once: listings are hot
};

SqliteStore::SqliteStore(const std::string& path, int connections)
    : SqliteStore(path, [connections] {
          SqliteStoreOptions options;
          options.connections = connections;
          return options;
      }())
{
}

SqliteStore::SqliteStore(const std::string& path, SqliteStoreOptions options)
    : m_path(path), m_options(std::move(options)),
      m_pool(std::max(1, m_options.connections), [this] { return std::make_unique<Connection>(m_path, m_options); }),
      m_reserve(path + ".reserve", m_options.reserveBytes)
{
    if (m_options.exclusive)
        m_lock = std::make_unique<ExclusiveFileLock>(path + ".lock",
                                                     "the database " + path + " is in use by another server");
    CreatePrivateFile(path);
    m_options.connections = std::max(1, m_options.connections);
    for (int i = 0; i < m_options.connections; ++i)
        m_pool.Add(std::make_unique<Connection>(path, m_options, i == 0));
    m_full = !m_reserve.Restore();
}

SqliteStore::~SqliteStore() = default;

void SqliteStore::LimitGrowth(Connection& connection)
{
    if (m_full.load(std::memory_order_relaxed)) {
        std::lock_guard lock(m_reserveMutex);
        if (m_reserve.Restore())
            m_full = false;
    }
    const bool full = m_full.load(std::memory_order_relaxed);
    if (full || connection.growthLimited)
        connection.LimitGrowth(full, connection.maxPages);
}

void SqliteStore::StorageFull()
{
    std::lock_guard lock(m_reserveMutex);
    m_reserve.Release();
    m_full = true;
}

std::uint64_t SqliteStore::ChangeCount(const std::string& account)
{
    std::uint64_t count = 0;
    Transact(false, [&](IStoreTransaction& tx) {
        count = tx.ChangeCount(account);
        return std::string();
    });
    return count;
}

std::string SqliteStore::Transact(bool write, const Work& work)
{
    auto connection = m_pool.Acquire();
    bool keep = false;
    // Returns the connection to the pool however the work ends, or closes it.
    struct Return {
        SqliteStore* store;
        std::unique_ptr<Connection>& connection;
        bool& keep;
        ~Return() { store->m_pool.Release(std::move(connection), keep); }
    } giveBack{this, connection, keep};

    try {
        (write ? connection->beginWrite : connection->beginRead)->Run();
        if (write)
            LimitGrowth(*connection);
        std::string refusal = work(*connection);
        (refusal.empty() ? connection->commit : connection->rollback)->Run();
        keep = !connection->inDoubt;
        return refusal;
    } catch (const StorageError& e) {
        if (e.kind() == StorageError::Kind::Full && write)
            StorageFull();
        keep = connection->Settle();
        throw;
    } catch (...) {
        keep = connection->Settle();
        throw;
    }
}

} // namespace qb::server
