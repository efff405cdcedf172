#pragma once
// A thin layer over one libpq connection: statements prepared by name, parameters and
// results in binary form (names and notes are bytes, never re-encoded), failures thrown as
// StorageError with the SQLSTATE kept, so that the store can tell a conflict to retry from
// a real failure.

#include "NoteStore.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace qb::server {

// A storage failure with the server's SQLSTATE ("" when the connection itself failed).
class PgError : public StorageError {
public:
    PgError(Kind kind, std::string sqlState, const std::string& detail)
        : StorageError(kind, detail), m_sqlState(std::move(sqlState))
    {
    }
    const std::string& SqlState() const { return m_sqlState; }
    // Another transaction got in the way (serialization failure, deadlock): run it again.
    bool Retryable() const { return m_sqlState == "40001" || m_sqlState == "40P01"; }
    // The connection broke (the database restarted, a backend was ended): class 08.
    bool Lost() const { return m_sqlState.starts_with("08"); }

private:
    std::string m_sqlState;
};

class PgResult {
public:
    explicit PgResult(pg_result* result) : m_result(result) {}
    int Rows() const;
    bool Null(int row, int column) const;
    std::int64_t Int(int row, int column) const; // an int8 column
    bool Bool(int row, int column) const;
    // Valid while the result lives.
    std::string_view Bytes(int row, int column) const;

private:
    struct Clear {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Clear> m_result;
};

// Parameters of one statement: int8 as int64, bytea as bytes, or NULL.
class PgParams {
public:
    PgParams& Int(std::int64_t value);
    PgParams& Bytes(std::string_view value); // must outlive the call that sends it
    PgParams& Null();

private:
    friend class PgConnection;
    std::deque<std::uint64_t> m_ints; // network order; a deque keeps their addresses
    std::vector<const char*> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
};

class PgConnection {
public:
    // Throws PgError when the server cannot be reached or refuses the login.
    explicit PgConnection(const std::string& conninfo);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Plain SQL without parameters (BEGIN, COMMIT, schema changes).
    void Exec(const char* sql);
    std::int64_t QueryInt(const char* sql); // the first column of the first row, 0 when none
    // types: one letter per parameter, 'i' int8 and 'b' bytea.
    void Prepare(const std::string& name, const std::string& sql, std::string_view types);
    PgResult Run(const std::string& name, const PgParams& params);

    // From here on, commands are pipelined: Queue and Defer become possible, and every
    // round trip saved counts on the most frequent requests.
    void StartPipeline();
    // Sends SQL without waiting; its outcome comes with the next Exec or Run (a BEGIN travels
    // with the first statement of its transaction).
    void Queue(const char* sql);
    // Sends SQL and reads its outcome only before the next command: for a COMMIT whose
    // outcome changes nothing (a read-only transaction).
    void Defer(const char* sql);

    // False once the connection is lost or a transaction was left open by a failure.
    bool Healthy() const;
    // Rolls back an open transaction; false when the connection is no use any more.
    bool Settle() noexcept;

private:
    // Sends a Sync and reads the results of every command sent since; the last one's
    // result, or the first failure thrown once all of them are read.
    PgResult Collect(const char* what);
    void ReadDeferred();
    PgResult Check(pg_result* result, const char* what);
    struct Finish {
        void operator()(pg_conn* connection) const;
    };
    std::unique_ptr<pg_conn, Finish> m_conn;
    bool m_pipeline = false;
    int m_queued = 0;         // commands sent and not yet synced
    int m_deferred = 0;       // commands synced whose outcome is still to be read
    bool m_syncPending = false; // and the sync after them
    bool m_lost = false;      // the connection broke in the middle of an exchange
};

// Whether --db names a PostgreSQL database (a postgresql:// URI or a key=value string)
// rather than a SQLite file.
bool IsPostgresTarget(std::string_view db);

} // namespace qb::server
