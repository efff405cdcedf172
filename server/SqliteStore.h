#pragma once
// SQLite backend: WAL, synchronous FULL (an acknowledged save survives a crash), one
// connection per concurrent request from a small pool. One server owns the database: the
// store holds "<db>.lock" while it lives.

#include "ConnectionPool.h"
#include "NoteStore.h"
#include "StoreFiles.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace qb::server {

struct SqliteStoreOptions {
    int connections = 16;
    // How long a writer waits for another's write lock before giving up.
    int busyTimeoutMs = 10000;
    // Holds "<db>.lock" so that a second store on the same database refuses to open. Only
    // servers sharing a database on purpose leave it; their stores then count each
    // account's changes in the database.
    bool exclusive = true;
    // Spare room kept in "<db>.reserve" and given back when the disk fills, so that deletes
    // can still commit; made again once the disk has room. 0: none.
    std::int64_t reserveBytes = 1 << 20;
    // For tests: a database page limit standing in for a full disk (0: SQLite's own).
    std::int64_t maxPageCount = 0;
    // For tests: asked before every step, from any serving thread; true makes the step
    // fail as a storage failure. Unset in production.
    std::function<bool()> failStep;
};

class SqliteStore : public INoteStore {
public:
    // Throws std::runtime_error when the database cannot be opened or prepared, or when
    // another store holds it ("the database PATH is in use by another server").
    explicit SqliteStore(const std::string& path, int connections = 16);
    SqliteStore(const std::string& path, SqliteStoreOptions options);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::string Transact(bool write, const Work& work) override;
    bool Shared() const override { return !m_options.exclusive; }
    std::uint64_t ChangeCount(const std::string& account) override;

private:
    struct Connection;
    // While the disk is full a writer may not grow the database, only reuse its free pages.
    void LimitGrowth(Connection& connection);
    void StorageFull();

    std::string m_path;
    SqliteStoreOptions m_options;
    std::unique_ptr<ExclusiveFileLock> m_lock;
    // A connection whose state is in doubt is dropped; a fresh one replaces it.
    ConnectionPool<Connection> m_pool;
    std::mutex m_reserveMutex;
    StorageReserve m_reserve;
    std::atomic<bool> m_full = false;
};

} // namespace qb::server
