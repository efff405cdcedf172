#include "PgConnection.h"

#include <libpq-fe.h>

#include <endian.h>

#include <cstring>

namespace qb::server {
namespace {

constexpr Oid kInt8 = 20;
constexpr Oid kBytea = 17;

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

PgResult PgConnection::Check(pg_result* result, const char* what)
{
    PgResult owned(result);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return owned;
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string sqlState = state ? state : "";
    const char* message = result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn.get());
    throw PgError(KindOf(sqlState), sqlState, std::string(what) + ": " + Trimmed(message));
}

void PgConnection::Exec(const char* sql)
{
    Check(PQexec(m_conn.get(), sql), "exec");
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
    return Check(PQexecPrepared(m_conn.get(), name.c_str(), static_cast<int>(params.m_values.size()),
                                params.m_values.data(), params.m_lengths.data(), params.m_formats.data(), 1),
                 "step");
}

bool PgConnection::Healthy() const
{
    return PQstatus(m_conn.get()) == CONNECTION_OK && PQtransactionStatus(m_conn.get()) == PQTRANS_IDLE;
}

bool PgConnection::Settle() noexcept
{
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        return false;
    if (PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE)
        PQclear(PQexec(m_conn.get(), "ROLLBACK"));
    return Healthy();
}

bool IsPostgresTarget(std::string_view db)
{
    return db.starts_with("postgresql://") || db.starts_with("postgres://") || db.find('=') != std::string_view::npos;
}

} // namespace qb::server
