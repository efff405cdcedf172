#include "SqliteStore.h"

#include <sqlite3.h>

#include <stdexcept>

namespace qb::server {
namespace {

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
CREATE UNIQUE INDEX IF NOT EXISTS roots ON nodes(account) WHERE parent IS NULL;
)sql";

[[noreturn]] void Fail(sqlite3* db, const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

// One prepared statement, reset after each use.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            Fail(db, "prepare");
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value)
    {
        sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    Statement& Bind(int index, const std::string& value)
    {
        sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindBlob(int index, const std::string& value)
    {
        sqlite3_bind_blob(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindParent(int index, NodeId parent)
    {
        if (parent == 0)
            sqlite3_bind_null(m_stmt, index);
        else
            sqlite3_bind_int64(m_stmt, index, parent);
        return *this;
    }
    bool Step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            Fail(m_db, "step");
        return false;
    }
    void Run()
    {
        Step();
        Reset();
    }
    void Reset()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    // Valid until the next step or reset.
    std::string_view View(int column) const
    {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
                 : std::string_view();
    }
    std::string Text(int column) const
    {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

void Exec(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown";
        sqlite3_free(message);
        throw std::runtime_error(std::string("exec: ") + text);
    }
}

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
    explicit Connection(const std::string& path)
    {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr)
            != SQLITE_OK) {
            const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw std::runtime_error("cannot open database " + path + ": " + message);
        }
        sqlite3_busy_timeout(db, 10000);
        Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
        Exec(db, kSchema);
        root = std::make_unique<Statement>(db, "SELECT id FROM nodes WHERE account = ? AND parent IS NULL");
        addRoot = std::make_unique<Statement>(
            db, "INSERT INTO nodes(account, parent, name, name_key, is_folder) VALUES (?, NULL, '', '', 1)");
        child = std::make_unique<Statement>(db, Sql("SELECT ", " FROM nodes WHERE parent = ? AND name_key = ?").c_str());
        children = std::make_unique<Statement>(
            db, Sql("SELECT ", " FROM nodes WHERE parent = ? ORDER BY name_key").c_str());
        listed = std::make_unique<Statement>(
            db, "SELECT is_folder, size, modified, name FROM nodes WHERE parent = ? ORDER BY name_key");
        insert = std::make_unique<Statement>(
            db, "INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        data = std::make_unique<Statement>(db, "SELECT data FROM nodes WHERE id = ?");
        setData = std::make_unique<Statement>(db, "UPDATE nodes SET data = ?, size = ?, modified = ? WHERE id = ?");
        setLock = std::make_unique<Statement>(db, "UPDATE nodes SET lock_owner = ?, lock_time = ? WHERE id = ?");
        move = std::make_unique<Statement>(db, "UPDATE nodes SET parent = ?, name = ?, name_key = ? WHERE id = ?");
        remove = std::make_unique<Statement>(db, "DELETE FROM nodes WHERE id = ?");
        PrepareTreeStatements();
        beginRead = std::make_unique<Statement>(db, "BEGIN");
        beginWrite = std::make_unique<Statement>(db, "BEGIN IMMEDIATE");
        commit = std::make_unique<Statement>(db, "COMMIT");
        rollback = std::make_unique<Statement>(db, "ROLLBACK");
    }

    ~Connection() override
    {
        // Statements must be finalized before the database closes.
        root.reset();
        addRoot.reset();
        child.reset();
        children.reset();
        listed.reset();
        insert.reset();
        data.reset();
        setData.reset();
        setLock.reset();
        move.reset();
        remove.reset();
        subtree.reset();
        copyNode.reset();
        keysFrom.reset();
        measure.reset();
        folderHeight.reset();
        lockedSince.reset();
        beginRead.reset();
        beginWrite.reset();
        commit.reset();
        rollback.reset();
        sqlite3_close(db);
    }

    std::optional<NodeId> Root(const std::string& account, bool create) override
    {
        root->Bind(1, account);
        const bool found = root->Step();
        const NodeId id = found ? root->Int(0) : 0;
        root->Reset();
        if (found)
            return id;
        if (!create)
            return std::nullopt;
        addRoot->Bind(1, account).Run();
        return sqlite3_last_insert_rowid(db);
    }

    std::optional<Node> Child(NodeId parent, const std::string& nameKey) override
    {
        child->Bind(1, parent).Bind(2, nameKey);
        std::optional<Node> node;
        if (child->Step())
            node = ReadNode(*child);
        child->Reset();
        return node;
    }

    std::vector<Node> Children(NodeId parent) override
    {
        std::vector<Node> nodes;
        children->Bind(1, parent);
        while (children->Step())
            nodes.push_back(ReadNode(*children));
        children->Reset();
        return nodes;
    }

    void ForEachListed(NodeId parent, const std::function<void(const Listed&)>& visit) override
    {
        listed->Bind(1, parent);
        while (listed->Step())
            visit(Listed{listed->Int(0) != 0, listed->Int(1), listed->Int(2), listed->View(3)});
        listed->Reset();
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
        data->Bind(1, id);
        std::string text = data->Step() ? data->Text(0) : std::string();
        data->Reset();
        return text;
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
        subtree->Bind(1, id);
        while (subtree->Step())
            ids.push_back(subtree->Int(0));
        subtree->Reset();
        for (auto it = ids.rbegin(); it != ids.rend(); ++it)
            remove->Bind(1, *it).Run();
    }

    void PrepareTreeStatements()
    {
        subtree = std::make_unique<Statement>(db, (std::string(kSubtree) + ") SELECT id FROM sub").c_str());
        copyNode = std::make_unique<Statement>(
            db, "INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)"
                " SELECT account, ?, ?, ?, is_folder, data, size, modified FROM nodes WHERE id = ?");
        keysFrom = std::make_unique<Statement>(
            db, "SELECT name_key FROM nodes WHERE parent = ? AND name_key >= ? ORDER BY name_key");
        measure = std::make_unique<Statement>(
            db, (std::string(kSubtree) + " LIMIT ?2) SELECT COUNT(*), COALESCE(SUM(n.size), 0)"
                                         " FROM sub JOIN nodes n ON n.id = sub.id")
                    .c_str());
        folderHeight = std::make_unique<Statement>(
            db, "WITH RECURSIVE sub(id, depth) AS (SELECT id, 1 FROM nodes WHERE id = ?1 AND is_folder"
                " UNION ALL SELECT n.id, sub.depth + 1 FROM nodes n JOIN sub ON n.parent = sub.id"
                " WHERE n.is_folder AND sub.depth <= ?2) SELECT COALESCE(MAX(depth), 0) FROM sub");
        lockedSince = std::make_unique<Statement>(
            db, (std::string(kSubtree) + ") SELECT 1 FROM sub JOIN nodes n ON n.id = sub.id"
                                         " WHERE n.is_folder = 0 AND n.lock_owner <> '' AND n.lock_time > ?2 LIMIT 1")
                    .c_str());
    }

    NodeId CopyNode(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) override
    {
        copyNode->BindParent(1, parent).Bind(2, name).Bind(3, nameKey).Bind(4, id).Run();
        return sqlite3_last_insert_rowid(db);
    }

    std::vector<std::string> ChildKeysWithPrefix(NodeId parent, const std::string& prefix) override
    {
        std::vector<std::string> keys;
        keysFrom->Bind(1, parent).Bind(2, prefix);
        while (keysFrom->Step()) {
            const std::string_view key = keysFrom->View(0);
            if (!key.starts_with(prefix))
                break; // past the range of the prefix
            keys.emplace_back(key);
        }
        keysFrom->Reset();
        return keys;
    }

    Extent Measure(NodeId id, std::int64_t maxNodes) override
    {
        measure->Bind(1, id).Bind(2, maxNodes + 1);
        measure->Step();
        const Extent extent{measure->Int(0), measure->Int(1)};
        measure->Reset();
        return extent;
    }

    int FolderHeight(NodeId id, int limit) override
    {
        folderHeight->Bind(1, id).Bind(2, static_cast<std::int64_t>(limit));
        folderHeight->Step();
        const auto height = static_cast<int>(folderHeight->Int(0));
        folderHeight->Reset();
        return height;
    }

    bool LockedSince(NodeId id, std::int64_t after) override
    {
        lockedSince->Bind(1, id).Bind(2, after);
        const bool locked = lockedSince->Step();
        lockedSince->Reset();
        return locked;
    }

    sqlite3* db = nullptr;
    std::unique_ptr<Statement> root, addRoot, child, children, listed, insert, data, setData, setLock, move, remove;
    std::unique_ptr<Statement> subtree, copyNode, keysFrom, measure, folderHeight, lockedSince; // tree walks
    std::unique_ptr<Statement> beginRead, beginWrite, commit, rollback; // prepared once: listings are hot
};

SqliteStore::SqliteStore(const std::string& path, int connections) : m_path(path)
{
    for (int i = 0; i < connections; ++i)
        m_pool.push_back(std::make_unique<Connection>(path));
}

SqliteStore::~SqliteStore() = default;

std::unique_ptr<SqliteStore::Connection> SqliteStore::Acquire()
{
    std::unique_lock lock(m_mutex);
    m_free.wait(lock, [this] { return !m_pool.empty(); });
    auto connection = std::move(m_pool.back());
    m_pool.pop_back();
    return connection;
}

void SqliteStore::Release(std::unique_ptr<Connection> connection)
{
    {
        std::lock_guard lock(m_mutex);
        m_pool.push_back(std::move(connection));
    }
    m_free.notify_one();
}

std::string SqliteStore::Transact(bool write, const Work& work)
{
    auto connection = Acquire();
    // Returns the connection to the pool however the work ends.
    struct Return {
        SqliteStore* store;
        std::unique_ptr<Connection>& connection;
        ~Return() { store->Release(std::move(connection)); }
    } giveBack{this, connection};

    (write ? connection->beginWrite : connection->beginRead)->Run();
    try {
        std::string refusal = work(*connection);
        (refusal.empty() ? connection->commit : connection->rollback)->Run();
        return refusal;
    } catch (...) {
        connection->rollback->Reset();
        sqlite3_exec(connection->db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace qb::server
