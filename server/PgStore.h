#pragma once
// PostgreSQL backend, for several server processes sharing one database. A pool of libpq
// connections, one per serving thread; one transaction per request, run again when
// PostgreSQL reports a conflict with another transaction or the connection broke before the
// COMMIT. The schema is made or brought up
// to date when the store opens.

#include "ConnectionPool.h"
#include "CountReads.h"
#include "NoteStore.h"

#include <memory>
#include <string>
#include <vector>

namespace qb::server {

class PgConnection;

struct PgStoreOptions {
    int connections = 8;
    // Runs of one transaction after a serialization failure or deadlock, the first included.
    int attempts = 8;
};

class PgStore : public INoteStore {
public:
    // conninfo: a postgresql:// URI or a "key=value ..." string. Throws StorageError when
    // the database cannot be reached or its schema is newer than this server knows.
    PgStore(const std::string& conninfo, PgStoreOptions options);
    ~PgStore() override;
    PgStore(const PgStore&) = delete;
    PgStore& operator=(const PgStore&) = delete;

    std::string Transact(bool write, const Work& work) override;
    bool Shared() const override { return true; }
    // Callers asking at once share one query.
    std::uint64_t ChangeCount(const std::string& account) override;

    // The schema version this server writes.
    static int SchemaVersion();

private:
    class Transaction;
    // A statement alone needs no BEGIN: it is a transaction of its own.
    enum class Scope { Read, Write, OneStatement };
    std::string Run(Scope scope, const Work& work);
    std::string Attempt(PgConnection& connection, Scope scope, const Work& work);

    std::string m_conninfo;
    PgStoreOptions m_options;
    ConnectionPool<PgConnection> m_pool;
    CountReads m_counts;
};

} // namespace qb::server
