#pragma once
// SQLite backend: WAL, synchronous FULL (an acknowledged save survives a crash), one
// connection per concurrent request from a small pool.

#include "NoteStore.h"

#include <condition_variable>
#include <memory>
#include <mutex>

struct sqlite3;

namespace qb::server {

class SqliteStore : public INoteStore {
public:
    // Throws std::runtime_error when the database cannot be opened or prepared.
    explicit SqliteStore(const std::string& path, int connections = 16);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::string Transact(bool write, const Work& work) override;

private:
    struct Connection;
    std::unique_ptr<Connection> Acquire();
    void Release(std::unique_ptr<Connection> connection);

    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_free;
    std::vector<std::unique_ptr<Connection>> m_pool;
};

} // namespace qb::server
