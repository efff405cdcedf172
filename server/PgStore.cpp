#include "PgStore.h"

#include "PgConnection.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <thread>

namespace qb::server {
namespace {

// Schema steps: step i takes a database from version i to i + 1. Never edit a step that
// has shipped; add one.
const std::vector<const char*> kSchemaSteps = {
    R"sql(
CREATE TABLE nodes (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    account bytea NOT NULL,
    parent bigint REFERENCES nodes(id),
    name bytea NOT NULL,
    name_key bytea NOT NULL,
    is_folder boolean NOT NULL,
    data bytea NOT NULL DEFAULT '',
    size bigint NOT NULL DEFAULT 0,
    modified bigint NOT NULL DEFAULT 0,
    lock_owner bytea NOT NULL DEFAULT '',
    lock_time bigint NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX nodes_by_name ON nodes(parent, name_key);
CREATE UNIQUE INDEX roots ON nodes(account) WHERE parent IS NULL;
)sql",
    // Versions and the trash. A trashed entry is a parentless node under a key no name can
    // have, so tops are unique by account and key (the top folder has the empty key). No
    // foreign key from versions to nodes: Remove drops a note's versions itself, as SQLite's
    // does.
    R"sql(
DROP INDEX roots;
CREATE UNIQUE INDEX tops ON nodes(account, name_key) WHERE parent IS NULL;
CREATE TABLE versions (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    account bytea NOT NULL,
    note bigint NOT NULL,
    size bigint NOT NULL,
    modified bigint NOT NULL,
    replaced bigint NOT NULL,
    data bytea NOT NULL
);
CREATE INDEX versions_by_note ON versions(note, id);
CREATE INDEX versions_by_age ON versions(replaced, id);
CREATE INDEX versions_by_account ON versions(account, replaced, id) INCLUDE (size);
CREATE TABLE trash (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    account bytea NOT NULL,
    node bigint NOT NULL,
    is_folder boolean NOT NULL,
    bytes bigint NOT NULL,
    deleted bigint NOT NULL,
    place bytea NOT NULL,
    name bytea NOT NULL
);
CREATE INDEX trash_by_account ON trash(account, deleted, id);
CREATE INDEX trash_by_age ON trash(deleted, id);
)sql",
    // How many changes each account has committed, so that every server can tell at once
    // whether a listing it keeps is still current.
    R"sql(
CREATE TABLE account_changes (
    account bytea PRIMARY KEY,
    count bigint NOT NULL
);
)sql",
};

// Held while a server makes or upgrades the schema, so that servers starting together
// take turns. An arbitrary key of our own.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(7245190043312761)";

// The statements, one group per primitive. Text names, notes and lock owners are bytea:
// they travel as bytes whatever the database's encoding, and compare byte by byte, as the
// name order needs.
struct StatementText {
    const char* name;
    const char* types; // one letter per parameter: i int8, b bytea
    const char* sql;
};

#define QB_NODE_COLUMNS "id, COALESCE(parent, 0), name, is_folder, size, modified, lock_owner, lock_time"
#define QB_TRASH_COLUMNS "id, node, is_folder, bytes, deleted, place, name"
// The node $1 and everything below it. PostgreSQL runs a recursive query as a work table,
// so no tree depth reaches the stack.
#define QB_SUBTREE                                                                                                     \
    "WITH RECURSIVE sub(id) AS (SELECT $1::bigint UNION ALL SELECT n.id FROM nodes n JOIN sub ON n.parent = sub.id"

const StatementText kStatements[] = {
    {"lock_account", "i", "SELECT pg_advisory_xact_lock($1)"},
    {"root", "b", "SELECT id FROM nodes WHERE account = $1 AND parent IS NULL AND name_key = ''::bytea"},
    {"add_root", "b", "INSERT INTO nodes(account, parent, name, name_key, is_folder) VALUES ($1, NULL, '', '', true)"
                      " RETURNING id"},
    {"child", "ib", "SELECT " QB_NODE_COLUMNS " FROM nodes WHERE parent = $1 AND name_key = $2"},
    {"children", "i", "SELECT " QB_NODE_COLUMNS " FROM nodes WHERE parent = $1 ORDER BY name_key"},
    {"listed", "i", "SELECT is_folder, size, modified, name FROM nodes WHERE parent = $1 ORDER BY name_key"},
    {"insert", "bibbibii",
     "INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)"
     " VALUES ($1, $2, $3, $4, $5 <> 0, $6, $7, $8) RETURNING id"},
    {"data", "i", "SELECT data FROM nodes WHERE id = $1"},
    {"set_data", "biii", "UPDATE nodes SET data = $1, size = $2, modified = $3 WHERE id = $4"},
    {"set_lock", "bii", "UPDATE nodes SET lock_owner = $1, lock_time = $2 WHERE id = $3"},
    {"move", "ibbi", "UPDATE nodes SET parent = $1, name = $2, name_key = $3 WHERE id = $4"},
    // One statement for the whole subtree: the foreign key is checked once it ends, when no
    // row below is left to refer to a deleted one.
    // The notes' versions go in the same statement.
    {"remove", "i",
     QB_SUBTREE "), gone AS (DELETE FROM versions WHERE note IN (SELECT id FROM sub))"
                " DELETE FROM nodes WHERE id IN (SELECT id FROM sub)"},
    {"copy_node", "ibbi",
     "INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)"
     " SELECT account, $1, $2, $3, is_folder, data, size, modified FROM nodes WHERE id = $4 RETURNING id"},
    {"keys_from", "ib", "SELECT name_key FROM nodes WHERE parent = $1 AND name_key >= $2 ORDER BY name_key"},
    {"measure", "ii",
     QB_SUBTREE "), first AS (SELECT id FROM sub LIMIT $2)"
                " SELECT COUNT(*), COALESCE(SUM(n.size), 0)::bigint FROM first JOIN nodes n ON n.id = first.id"},
    {"folder_height", "ii",
     "WITH RECURSIVE sub(id, depth) AS (SELECT id, 1::bigint FROM nodes WHERE id = $1 AND is_folder"
     " UNION ALL SELECT n.id, sub.depth + 1 FROM nodes n JOIN sub ON n.parent = sub.id"
     " WHERE n.is_folder AND sub.depth <= $2) SELECT COALESCE(MAX(depth), 0)::bigint FROM sub"},
    {"locked_since", "ii",
     QB_SUBTREE ") SELECT 1::bigint FROM sub JOIN nodes n ON n.id = sub.id"
                " WHERE NOT n.is_folder AND n.lock_owner <> ''::bytea AND n.lock_time > $2 LIMIT 1"},
    // History.
    {"keep_version", "ii",
     "INSERT INTO versions(account, note, size, modified, replaced, data)"
     " SELECT account, id, size, modified, $2, data FROM nodes WHERE id = $1"},
    {"trim_versions", "ii",
     "DELETE FROM versions WHERE note = $1 AND id <= (SELECT id FROM versions"
     " WHERE note = $1 ORDER BY id DESC LIMIT 1 OFFSET $2)"},
    {"versions", "i", "SELECT id, size, modified FROM versions WHERE note = $1 ORDER BY id DESC"},
    {"version_data", "ii", "SELECT data FROM versions WHERE note = $1 AND id = $2"},
    // The trash.
    {"add_trash", "biiiibb",
     "INSERT INTO trash(account, node, is_folder, bytes, deleted, place, name)"
     " VALUES ($1, $2, $3 <> 0, $4, $5, $6, $7) RETURNING id"},
    {"trash_entries", "b",
     "SELECT " QB_TRASH_COLUMNS " FROM trash WHERE account = $1 ORDER BY deleted DESC, id DESC"},
    {"trash_entry", "bi", "SELECT " QB_TRASH_COLUMNS " FROM trash WHERE account = $1 AND id = $2"},
    {"drop_trash", "i", "DELETE FROM trash WHERE id = $1 RETURNING node"},
    // Retention: the rows first, with their accounts, so that their locks are taken before
    // any of them is dropped.
    {"old_versions", "ii", "SELECT id, account FROM versions WHERE replaced < $1 ORDER BY replaced, id LIMIT $2"},
    {"old_trash", "ii", "SELECT id, node, account FROM trash WHERE deleted < $1 ORDER BY deleted, id LIMIT $2"},
    {"drop_version", "i", "DELETE FROM versions WHERE id = $1"},
    {"accounts_over", "i",
     "SELECT account FROM (SELECT account, SUM(size) AS kept FROM versions GROUP BY account"
     " UNION ALL SELECT account, SUM(bytes) FROM trash GROUP BY account) k"
     " GROUP BY account HAVING SUM(kept) > $1"},
    {"account_kept", "b",
     "SELECT ((SELECT COALESCE(SUM(size), 0) FROM versions WHERE account = $1)"
     " + (SELECT COALESCE(SUM(bytes), 0) FROM trash WHERE account = $1))::bigint"},
    {"oldest_version", "b", "SELECT id, replaced, size FROM versions WHERE account = $1 ORDER BY replaced, id LIMIT 1"},
    {"oldest_trash", "b",
     "SELECT id, deleted, bytes, node FROM trash WHERE account = $1 ORDER BY deleted, id LIMIT 1"},
    // Servers sharing the database.
    {"change_count", "b", "SELECT count FROM account_changes WHERE account = $1"},
    // Accounts in hexadecimal, separated by commas: one parameter for any number of them.
    {"change_counts", "b",
     "SELECT account, count FROM account_changes WHERE account IN"
     " (SELECT decode(a, 'hex') FROM unnest(string_to_array(encode($1, 'escape'), ',')) a)"},
    {"count_change", "b",
     "INSERT INTO account_changes AS c (account, count) VALUES ($1, 1)"
     " ON CONFLICT (account) DO UPDATE SET count = c.count + 1"},
};

#undef QB_SUBTREE
#undef QB_TRASH_COLUMNS
#undef QB_NODE_COLUMNS

// Stable across builds and machines, unlike std::hash: every server process must lock an
// account under the same key.
std::int64_t AccountKey(const std::string& account)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : account)
        hash = (hash ^ c) * 1099511628211ull;
    return static_cast<std::int64_t>(hash);
}

Node ReadNode(const PgResult& r, int row)
{
    Node node;
    node.id = r.Int(row, 0);
    node.parent = r.Int(row, 1);
    node.name = std::string(r.Bytes(row, 2));
    node.isFolder = r.Bool(row, 3);
    node.size = r.Int(row, 4);
    node.modified = r.Int(row, 5);
    node.lockOwner = std::string(r.Bytes(row, 6));
    node.lockTime = r.Int(row, 7);
    return node;
}

IStoreTransaction::TrashEntry ReadTrashEntry(const PgResult& r, int row)
{
    return IStoreTransaction::TrashEntry{r.Int(row, 0), r.Int(row, 1), r.Bool(row, 2), r.Int(row, 3), r.Int(row, 4),
                                         std::string(r.Bytes(row, 5)), std::string(r.Bytes(row, 6))};
}

// An account's top folder has no parent row: NULL, not 0.
PgParams& Parent(PgParams& params, NodeId parent)
{
    return parent == 0 ? params.Null() : params.Int(parent);
}

std::unique_ptr<PgConnection> Connect(const std::string& conninfo)
{
    auto connection = std::make_unique<PgConnection>(conninfo);
    for (const StatementText& statement : kStatements)
        connection->Prepare(statement.name, statement.sql, statement.types);
    connection->StartPipeline();
    return connection;
}

void UpgradeSchema(PgConnection& connection)
{
    connection.Exec("BEGIN");
    connection.Exec(kSchemaLock);
    connection.Exec("CREATE TABLE IF NOT EXISTS quillbox_schema (version integer NOT NULL)");
    const auto version = connection.QueryInt("SELECT COALESCE(MAX(version), 0)::bigint FROM quillbox_schema");
    const auto known = static_cast<std::int64_t>(kSchemaSteps.size());
    if (version > known)
        throw StorageError(StorageError::Kind::Failed, "the database's schema (version " + std::to_string(version)
                                                           + ") is newer than this server's ("
                                                           + std::to_string(known) + ")");
    for (auto step = version; step < known; ++step)
        connection.Exec(kSchemaSteps[static_cast<std::size_t>(step)]);
    if (version < known) {
        connection.Exec("DELETE FROM quillbox_schema");
        connection.Exec(("INSERT INTO quillbox_schema VALUES (" + std::to_string(known) + ")").c_str());
    }
    connection.Exec("COMMIT");
}

} // namespace

// Isolation. A writing transaction runs at READ COMMITTED and, before its first read, takes
// a transaction-scoped advisory lock on its account (the service starts at the account's
// top folder, Root, or at its trash; retention locks every account it prunes). Every writer of an account holds that lock until it commits
// or rolls back, so a writer checks the tree rules (free names, locks, what a copy may
// create) against a state that no other process changes under it, and each of its
// statements sees everything committed before the lock was granted: the one-writer model of
// the SQLite backend, per account, across processes. Readers take one REPEATABLE READ READ
// ONLY snapshot, so that a path and its listing come from the same committed state, and
// they never wait for writers.
// SERIALIZABLE would keep the same rules without the lock, but many clients saving into one
// account conflict on the same rows and would mostly fail and run again; the lock makes
// them queue instead. Serialization failures and deadlocks are still run again (attempts).
class PgStore::Transaction final : public IStoreTransaction {
public:
    Transaction(PgConnection& connection, bool write) : m_db(connection), m_write(write) {}

    std::optional<NodeId> Root(const std::string& account, bool create) override
    {
        LockAccounts({account});
        const PgResult found = m_db.Run("root", PgParams().Bytes(account));
        if (found.Rows() > 0)
            return found.Int(0, 0);
        if (!create)
            return std::nullopt;
        return m_db.Run("add_root", PgParams().Bytes(account)).Int(0, 0);
    }

    std::optional<Node> Child(NodeId parent, const std::string& nameKey) override
    {
        const PgResult r = m_db.Run("child", PgParams().Int(parent).Bytes(nameKey));
        if (r.Rows() == 0)
            return std::nullopt;
        return ReadNode(r, 0);
    }

    std::vector<Node> Children(NodeId parent) override
    {
        const PgResult r = m_db.Run("children", PgParams().Int(parent));
        std::vector<Node> nodes;
        nodes.reserve(static_cast<std::size_t>(r.Rows()));
        for (int row = 0; row < r.Rows(); ++row)
            nodes.push_back(ReadNode(r, row));
        return nodes;
    }

    void ForEachListed(NodeId parent, const std::function<void(const Listed&)>& visit) override
    {
        const PgResult r = m_db.Run("listed", PgParams().Int(parent));
        for (int row = 0; row < r.Rows(); ++row)
            visit(Listed{r.Bool(row, 0), r.Int(row, 1), r.Int(row, 2), r.Bytes(row, 3)});
    }

    NodeId Insert(const std::string& account, NodeId parent, const Node& node, const std::string& nameKey,
                  const std::string& text) override
    {
        PgParams params;
        Parent(params.Bytes(account), parent).Bytes(node.name).Bytes(nameKey).Int(node.isFolder ? 1 : 0).Bytes(text);
        params.Int(static_cast<std::int64_t>(text.size())).Int(node.modified);
        return m_db.Run("insert", params).Int(0, 0);
    }

    std::string Data(NodeId id) override
    {
        const PgResult r = m_db.Run("data", PgParams().Int(id));
        return r.Rows() > 0 ? std::string(r.Bytes(0, 0)) : std::string();
    }

    void SetData(NodeId id, const std::string& text, std::int64_t modified) override
    {
        m_db.Run("set_data",
                 PgParams().Bytes(text).Int(static_cast<std::int64_t>(text.size())).Int(modified).Int(id));
    }

    void SetLock(NodeId id, const std::string& owner, std::int64_t time) override
    {
        m_db.Run("set_lock", PgParams().Bytes(owner).Int(time).Int(id));
    }

    void Move(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) override
    {
        PgParams params;
        m_db.Run("move", Parent(params, parent).Bytes(name).Bytes(nameKey).Int(id));
    }

    void Remove(NodeId id) override { m_db.Run("remove", PgParams().Int(id)); }

    NodeId CopyNode(NodeId id, NodeId parent, const std::string& name, const std::string& nameKey) override
    {
        PgParams params;
        return m_db.Run("copy_node", Parent(params, parent).Bytes(name).Bytes(nameKey).Int(id)).Int(0, 0);
    }

    std::vector<std::string> ChildKeysWithPrefix(NodeId parent, const std::string& prefix) override
    {
        const PgResult r = m_db.Run("keys_from", PgParams().Int(parent).Bytes(prefix));
        std::vector<std::string> keys;
        for (int row = 0; row < r.Rows(); ++row) {
            const std::string_view key = r.Bytes(row, 0);
            if (!key.starts_with(prefix))
                break; // past the range of the prefix
            keys.emplace_back(key);
        }
        return keys;
    }

    Extent Measure(NodeId id, std::int64_t maxNodes) override
    {
        const PgResult r = m_db.Run("measure", PgParams().Int(id).Int(maxNodes + 1));
        return Extent{r.Int(0, 0), r.Int(0, 1)};
    }

    int FolderHeight(NodeId id, int limit) override
    {
        return static_cast<int>(m_db.Run("folder_height", PgParams().Int(id).Int(limit)).Int(0, 0));
    }

    bool LockedSince(NodeId id, std::int64_t after) override
    {
        return m_db.Run("locked_since", PgParams().Int(id).Int(after)).Rows() > 0;
    }

    std::uint64_t ChangeCount(const std::string& account) override
    {
        const PgResult r = m_db.Run("change_count", PgParams().Bytes(account));
        return r.Rows() > 0 ? static_cast<std::uint64_t>(r.Int(0, 0)) : 0;
    }

    // Under the account's lock, like every other write to it.
    void CountChange(const std::string& account) override
    {
        LockAccounts({account});
        m_db.Run("count_change", PgParams().Bytes(account));
    }

    CountReads::Counts ChangeCounts(const std::vector<std::string>& accounts)
    {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string list;
        for (const std::string& account : accounts) {
            if (!list.empty())
                list += ',';
            for (const unsigned char c : account) {
                list += kHex[c >> 4];
                list += kHex[c & 15];
            }
        }
        const PgResult r = m_db.Run("change_counts", PgParams().Bytes(list));
        CountReads::Counts counts;
        for (int row = 0; row < r.Rows(); ++row)
            counts.emplace(r.Bytes(row, 0), static_cast<std::uint64_t>(r.Int(row, 1)));
        return counts;
    }

    void KeepVersion(NodeId note, std::int64_t replaced, std::int64_t keep) override
    {
        m_db.Run("keep_version", PgParams().Int(note).Int(replaced));
        m_db.Run("trim_versions", PgParams().Int(note).Int(std::max<std::int64_t>(keep, 0)));
    }

    std::vector<Version> Versions(NodeId note) override
    {
        const PgResult r = m_db.Run("versions", PgParams().Int(note));
        std::vector<Version> found;
        found.reserve(static_cast<std::size_t>(r.Rows()));
        for (int row = 0; row < r.Rows(); ++row)
            found.push_back(Version{r.Int(row, 0), r.Int(row, 1), r.Int(row, 2)});
        return found;
    }

    std::optional<std::string> VersionData(NodeId note, std::int64_t version) override
    {
        const PgResult r = m_db.Run("version_data", PgParams().Int(note).Int(version));
        if (r.Rows() == 0)
            return std::nullopt;
        return std::string(r.Bytes(0, 0));
    }

    std::int64_t Trash(const std::string& account, const Node& node, const std::string& place,
                       std::int64_t deleted) override
    {
        LockAccounts({account});
        const std::int64_t bytes = Measure(node.id, std::int64_t{1} << 60).bytes;
        PgParams params;
        params.Bytes(account).Int(node.id).Int(node.isFolder ? 1 : 0).Int(bytes).Int(deleted).Bytes(place);
        const std::int64_t entry = m_db.Run("add_trash", params.Bytes(node.name)).Int(0, 0);
        Move(node.id, 0, node.name, TrashKey(entry));
        return entry;
    }

    std::vector<TrashEntry> TrashEntries(const std::string& account) override
    {
        LockAccounts({account});
        const PgResult r = m_db.Run("trash_entries", PgParams().Bytes(account));
        std::vector<TrashEntry> entries;
        for (int row = 0; row < r.Rows(); ++row)
            entries.push_back(ReadTrashEntry(r, row));
        return entries;
    }

    // An undelete looks its entry up before it reaches the account's top folder: the lock
    // comes first here, or two undeletes of one entry could both see it and both move it.
    std::optional<TrashEntry> FindTrashEntry(const std::string& account, std::int64_t id) override
    {
        LockAccounts({account});
        const PgResult r = m_db.Run("trash_entry", PgParams().Bytes(account).Int(id));
        if (r.Rows() == 0)
            return std::nullopt;
        return ReadTrashEntry(r, 0);
    }

    void DropTrashEntry(std::int64_t id) override { m_db.Run("drop_trash", PgParams().Int(id)); }

    // Retention's transactions start at no account's top folder (they never call Root), yet
    // they change what requests of an account read and write under its lock (a restore reads
    // a version, an undelete its entry, a save trims versions). So they take the lock of
    // every account whose rows they are about to drop, like any writer of that account, and
    // drop only what is still there once they hold it. Several server processes prune the
    // same database this way without stepping on each other's requests or on each other.
    int DropVersionsBefore(std::int64_t time, int limit) override
    {
        const PgResult old = m_db.Run("old_versions", PgParams().Int(time).Int(limit));
        LockAccountsOf(old, 1);
        for (int row = 0; row < old.Rows(); ++row)
            m_db.Run("drop_version", PgParams().Int(old.Int(row, 0)));
        return old.Rows();
    }

    int DropTrashBefore(std::int64_t time, int limit) override
    {
        const PgResult old = m_db.Run("old_trash", PgParams().Int(time).Int(limit));
        LockAccountsOf(old, 2);
        for (int row = 0; row < old.Rows(); ++row)
            EraseTrashEntry(old.Int(row, 0));
        return old.Rows();
    }

    // A read: nothing is dropped here, TrimAccount locks the account it trims.
    std::vector<std::string> AccountsOver(std::int64_t budget) override
    {
        const PgResult r = m_db.Run("accounts_over", PgParams().Int(budget));
        std::vector<std::string> accounts;
        for (int row = 0; row < r.Rows(); ++row)
            accounts.emplace_back(r.Bytes(row, 0));
        return accounts;
    }

    int TrimAccount(const std::string& account, std::int64_t budget, int limit) override
    {
        LockAccounts({account});
        const auto kept = [&] { return m_db.Run("account_kept", PgParams().Bytes(account)).Int(0, 0); };
        std::int64_t left = kept();
        int done = 0;
        for (; done < limit && left > budget; ++done) {
            const PgResult version = m_db.Run("oldest_version", PgParams().Bytes(account));
            const PgResult entry = m_db.Run("oldest_trash", PgParams().Bytes(account));
            if (version.Rows() > 0 && (entry.Rows() == 0 || version.Int(0, 1) <= entry.Int(0, 1))) {
                m_db.Run("drop_version", PgParams().Int(version.Int(0, 0)));
                left -= version.Int(0, 2);
            } else if (entry.Rows() > 0) {
                // The versions of its notes go with it: count again.
                EraseTrashEntry(entry.Int(0, 0));
                left = kept();
            } else {
                break;
            }
        }
        return done;
    }

private:
    // The advisory locks of accounts this transaction writes to, each taken once, in key
    // order: a transaction holding several (pruning) and another waiting for one of them
    // never wait for each other in a circle.
    void LockAccounts(const std::vector<std::string>& accounts)
    {
        if (!m_write)
            return;
        std::vector<std::int64_t> keys;
        for (const auto& account : accounts)
            keys.push_back(AccountKey(account));
        std::sort(keys.begin(), keys.end());
        for (const std::int64_t key : keys) {
            if (m_locked.insert(key).second)
                m_db.Run("lock_account", PgParams().Int(key));
        }
    }

    // The locks of the accounts named in a column of rows about to be dropped.
    void LockAccountsOf(const PgResult& rows, int column)
    {
        std::vector<std::string> accounts;
        for (int row = 0; row < rows.Rows(); ++row)
            accounts.emplace_back(rows.Bytes(row, column));
        LockAccounts(accounts);
    }

    // Forgets the entry and erases its notes, unless a request put it back meanwhile.
    void EraseTrashEntry(std::int64_t entry)
    {
        const PgResult dropped = m_db.Run("drop_trash", PgParams().Int(entry));
        if (dropped.Rows() > 0)
            m_db.Run("remove", PgParams().Int(dropped.Int(0, 0)));
    }

    PgConnection& m_db;
    const bool m_write;
    std::set<std::int64_t> m_locked; // keys of the accounts locked
};

int PgStore::SchemaVersion()
{
    return static_cast<int>(kSchemaSteps.size());
}

PgStore::PgStore(const std::string& conninfo, PgStoreOptions options)
    : m_conninfo(conninfo), m_options(options),
      m_pool(std::max(1, options.connections), [this] { return Connect(m_conninfo); }),
      m_counts([this](const std::vector<std::string>& accounts) {
          CountReads::Counts counts;
          Run(Scope::OneStatement, [&](IStoreTransaction& tx) {
              counts = static_cast<Transaction&>(tx).ChangeCounts(accounts);
              return std::string();
          });
          return counts;
      })
{
    m_options.connections = std::max(1, m_options.connections);
    m_options.attempts = std::max(1, m_options.attempts);
    {
        PgConnection schema(conninfo);
        UpgradeSchema(schema);
    }
    for (int i = 0; i < m_options.connections; ++i)
        m_pool.Add(Connect(conninfo));
}

PgStore::~PgStore() = default;

std::uint64_t PgStore::ChangeCount(const std::string& account)
{
    return m_counts.Read(account);
}

std::string PgStore::Attempt(PgConnection& connection, Scope scope, const Work& work)
{
    const bool write = scope == Scope::Write;
    // The BEGIN goes out with the first statement, and a reader does not wait for its
    // COMMIT: two round trips fewer on a listing.
    if (scope != Scope::OneStatement)
        connection.Queue(write ? "BEGIN ISOLATION LEVEL READ COMMITTED" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    Transaction transaction(connection, write);
    std::string refusal = work(transaction);
    if (scope == Scope::OneStatement)
        return refusal;
    if (!write) {
        connection.Defer("COMMIT");
        return refusal;
    }
    try {
        connection.Exec(refusal.empty() ? "COMMIT" : "ROLLBACK");
    } catch (const PgError& e) {
        // Lost during its COMMIT, the transaction may have committed: never run it again.
        if (e.Lost())
            throw StorageError(StorageError::Kind::Failed, std::string("commit in doubt: ") + e.what());
        throw;
    }
    return refusal;
}

std::string PgStore::Transact(bool write, const Work& work)
{
    return Run(write ? Scope::Write : Scope::Read, work);
}

std::string PgStore::Run(Scope scope, const Work& work)
{
    thread_local std::minstd_rand random(std::random_device{}());
    for (int attempt = 1;; ++attempt) {
        auto connection = m_pool.Acquire();
        try {
            std::string refusal = Attempt(*connection, scope, work);
            const bool keep = connection->Healthy();
            m_pool.Release(std::move(connection), keep);
            return refusal;
        } catch (const PgError& e) {
            const bool keep = connection->Settle();
            m_pool.Release(std::move(connection), keep);
            // A connection lost before its COMMIT changed nothing: the transaction runs again
            // on a new one. The idle ones most likely broke the same way (a database
            // restart): they go too, so that the next attempt does not meet one of them.
            if (e.Lost())
                m_pool.DropIdle();
            if (!(e.Retryable() || e.Lost()) || attempt >= m_options.attempts)
                throw;
        } catch (...) {
            const bool keep = connection->Settle();
            m_pool.Release(std::move(connection), keep);
            throw;
        }
        // Apart, so that the transactions that collided do not collide again.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (1000 * attempt)));
    }
}

} // namespace qb::server
