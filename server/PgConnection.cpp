#include "PgConnection.h"

#include <libpq-fe.h>

#include <endian.h>

#include <cstring>
#include <optional>

namespace qb::server {
namespace {

constexpr Oid kInt8 = 20;
constexpr Oid kBytea = 17;
constexpr const char* kConnectionLost = "08006";

StorageError::Kind KindOf(const std::string& sqlState)
{
    // 53100: disk full. 53400 (configuration limit exceeded) is not the disk.
    return sqlState == "53100" ? StorageError::Kind::Full : StorageError::Kind::Failed;
}

std::string Trimmed(const char* message)
{
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

void IgnoreNotice(void*, const char*) {}

} // namespace

void PgResult::Clear::operator()(pg_result* result) const
{
    PQclear(result);
}

int PgResult::Rows() const
{
    return PQntuples(m_result.get());
}

bool PgResult::Null(int row, int column) const
{
    return PQgetisnull(m_result.get(), row, column) != 0;
}

std::int64_t PgResult::Int(int row, int column) const
{
    if (Null(row, column) || PQgetlength(m_result.get(), row, column) != 8)
        return 0;
    std::uint64_t value = 0;
    std::memcpy(&value, PQgetvalue(m_result.get(), row, column), sizeof value);
    return static_cast<std::int64_t>(be64toh(value));
}

bool PgResult::Bool(int row, int column) const
{
    return !Null(row, column) && PQgetvalue(m_result.get(), row, column)[0] != 0;
}

std::string_view PgResult::Bytes(int row, int column) const
{
    return std::string_view(PQgetvalue(m_result.get(), row, column),
                            static_cast<std::size_t>(PQgetlength(m_result.get(), row, column)));
}

PgParams& PgParams::Int(std::int64_t value)
{
    m_ints.push_back(htobe64(static_cast<std::uint64_t>(value)));
    m_values.push_back(reinterpret_cast<const char*>(&m_ints.back()));
    m_lengths.push_back(8);
    m_formats.push_back(1);
    return *this;
}

PgParams& PgParams::Bytes(std::string_view value)
{
    m_values.push_back(value.data() ? value.data() : "");
    m_lengths.push_back(static_cast<int>(value.size()));
    m_formats.push_back(1);
    return *this;
}

PgParams& PgParams::Null()
{
    m_values.push_back(nullptr);
    m_lengths.push_back(0);
    m_formats.push_back(1);
    return *this;
}

void PgConnection::Finish::operator()(pg_conn* connection) const
{
    PQfinish(connection);
}

PgConnection::PgConnection(const std::string& conninfo) : m_conn(PQconnectdb(conninfo.c_str()))
{
    if (!m_conn || PQstatus(m_conn.get()) != CONNECTION_OK)
        throw PgError(StorageError::Kind::Failed, "",
                      "cannot connect to the database: " + Trimmed(m_conn ? PQerrorMessage(m_conn.get()) : "no memory"));
    PQsetNoticeProcessor(m_conn.get(), IgnoreNotice, nullptr);
}

PgConnection::~PgConnection() = default;

namespace {

// The failure a result reports, or nothing.
std::optional<PgError> FailureOf(pg_result* result, pg_conn* connection, const char* what)
{
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return std::nullopt;
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string sqlState = state ? state : "";
    const char* message = result ? PQresultErrorMessage(result) : PQerrorMessage(connection);
    return PgError(KindOf(sqlState), sqlState, std::string(what) + ": " + Trimmed(message));
}

} // namespace

PgResult PgConnection::Check(pg_result* result, const char* what)
{
    PgResult owned(result);
    if (auto failure = FailureOf(result, m_conn.get(), what))
        throw *failure;
    return owned;
}

PgResult PgConnection::Collect(const char* what)
{
    pg_conn* conn = m_conn.get();
    const int commands = m_queued;
    m_queued = 0;
    if (PQpipelineSync(conn) != 1)
        m_lost = true;
    std::optional<PgError> failure;
    PgResult last(nullptr);
    for (int i = 0; i < commands && !m_lost; ++i) {
        pg_result* result = PQgetResult(conn);
        if (!result) {
            m_lost = true;
            break;
        }
        PgResult owned(result);
        while (pg_result* more = PQgetResult(conn)) // up to the end of this command's results
            PQclear(more);
        if (PQresultStatus(result) == PGRES_PIPELINE_ABORTED)
            continue; // an earlier command failed
        if (!failure)
            failure = FailureOf(result, conn, what);
        last = std::move(owned);
    }
    if (!m_lost) {
        // Anything but the sync here means the exchange is out of step: the connection goes.
        pg_result* sync = PQgetResult(conn);
        m_lost = !sync || PQresultStatus(sync) != PGRES_PIPELINE_SYNC || PQstatus(conn) != CONNECTION_OK;
        PQclear(sync);
    }
    m_lost = m_lost || PQstatus(conn) != CONNECTION_OK;
    if (m_lost)
        throw PgError(StorageError::Kind::Failed, kConnectionLost,
                      failure ? failure->what() : std::string(what) + ": " + Trimmed(PQerrorMessage(conn)));
    if (failure)
        throw *failure;
    return last;
}

void PgConnection::ReadDeferred()
{
    pg_conn* conn = m_conn.get();
    for (; m_deferred > 0 && !m_lost; --m_deferred) {
        pg_result* result = PQgetResult(conn);
        if (!result) {
            m_lost = true;
            break;
        }
        PQclear(result);
        while (pg_result* more = PQgetResult(conn)) // up to the end of this command's results
            PQclear(more);
    }
    if (!m_lost && m_deferred == 0 && m_syncPending) {
        pg_result* sync = PQgetResult(conn);
        m_lost = !sync || PQresultStatus(sync) != PGRES_PIPELINE_SYNC;
        PQclear(sync);
        m_syncPending = false;
    }
    m_deferred = 0;
    if (PQstatus(conn) != CONNECTION_OK)
        m_lost = true;
}

void PgConnection::StartPipeline()
{
    if (PQenterPipelineMode(m_conn.get()) != 1)
        throw PgError(StorageError::Kind::Failed, "", "pipeline: " + Trimmed(PQerrorMessage(m_conn.get())));
    m_pipeline = true;
}

void PgConnection::Queue(const char* sql)
{
    if (!m_pipeline)
        return Exec(sql);
    ReadDeferred();
    if (PQsendQueryParams(m_conn.get(), sql, 0, nullptr, nullptr, nullptr, nullptr, 1) != 1)
    {
        m_lost = true;
        throw PgError(StorageError::Kind::Failed, kConnectionLost, "send: " + Trimmed(PQerrorMessage(m_conn.get())));
    }
    ++m_queued;
}

void PgConnection::Defer(const char* sql)
{
    if (!m_pipeline)
        return Exec(sql);
    Queue(sql);
    m_deferred = m_queued;
    m_queued = 0;
    if (PQpipelineSync(m_conn.get()) != 1)
        m_lost = true;
    m_syncPending = true;
}

void PgConnection::Exec(const char* sql)
{
    if (!m_pipeline) {
        Check(PQexec(m_conn.get(), sql), "exec");
        return;
    }
    Queue(sql);
    Collect("exec");
}

std::int64_t PgConnection::QueryInt(const char* sql)
{
    const PgResult result = Check(PQexecParams(m_conn.get(), sql, 0, nullptr, nullptr, nullptr, nullptr, 1), "query");
    return result.Rows() > 0 ? result.Int(0, 0) : 0;
}

void PgConnection::Prepare(const std::string& name, const std::string& sql, std::string_view types)
{
    std::vector<Oid> oids;
    for (const char type : types)
        oids.push_back(type == 'i' ? kInt8 : kBytea);
    Check(PQprepare(m_conn.get(), name.c_str(), sql.c_str(), static_cast<int>(oids.size()), oids.data()), "prepare");
}

PgResult PgConnection::Run(const std::string& name, const PgParams& params)
{
    const int count = static_cast<int>(params.m_values.size());
    if (!m_pipeline)
        return Check(PQexecPrepared(m_conn.get(), name.c_str(), count, params.m_values.data(), params.m_lengths.data(),
                                    params.m_formats.data(), 1),
                     "step");
    ReadDeferred();
    if (PQsendQueryPrepared(m_conn.get(), name.c_str(), count, params.m_values.data(), params.m_lengths.data(),
                            params.m_formats.data(), 1)
        != 1)
    {
        m_lost = true;
        throw PgError(StorageError::Kind::Failed, kConnectionLost, "send: " + Trimmed(PQerrorMessage(m_conn.get())));
    }
    ++m_queued;
    return Collect("step");
}

bool PgConnection::Healthy() const
{
    return !m_lost && PQstatus(m_conn.get()) == CONNECTION_OK && m_queued == 0
        && (m_syncPending || PQtransactionStatus(m_conn.get()) == PQTRANS_IDLE);
}

bool PgConnection::Settle() noexcept
{
    try {
        if (m_lost || PQstatus(m_conn.get()) != CONNECTION_OK)
            return false;
        if (m_queued > 0)
            Collect("settle");
    } catch (const StorageError&) {
        // read; the transaction is rolled back below
    }
    try {
        ReadDeferred();
        if (!m_lost && PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE)
            Exec("ROLLBACK");
    } catch (const StorageError&) {
        return false;
    }
    return Healthy();
}

bool IsPostgresTarget(std::string_view db)
{
    if (db.starts_with("postgresql://") || db.starts_with("postgres://"))
        return true;
    // A key=value string starts with a keyword ("host=", "dbname = x", ...); a file path
    // may hold "=" too, but not after a bare word at its start.
    const auto equals = db.find('=');
    if (equals == std::string_view::npos)
        return false;
    bool letter = false;
    for (const char c : db.substr(0, equals)) {
        if (c >= 'a' && c <= 'z')
            letter = true;
        else if (c != '_' && c != ' ')
            return false;
    }
    return letter;
}

} // namespace qb::server
