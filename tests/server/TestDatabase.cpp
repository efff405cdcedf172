#include "TestDatabase.h"

#include "PgCluster.h"

#include "server/PgConnection.h"
#include "server/PgStore.h"
#include "server/SqliteStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>

namespace qb::testing {

bool OnPostgres()
{
    const char* backend = std::getenv("QUILLBOX_TEST_DB");
    return backend && std::string(backend) == "postgresql";
}

std::string FreshDatabase(const TempDir& dir)
{
    return OnPostgres() ? FreshPostgresDatabase() : (dir.path / "notes.db").string();
}

std::string FreshPostgresDatabase()
{
    return TestCluster().CreateDatabase();
}

std::unique_ptr<server::INoteStore> OpenTestStore(const std::string& db, int connections)
{
    if (server::IsPostgresTarget(db))
        return std::make_unique<server::PgStore>(db, server::PgStoreOptions{connections});
    return std::make_unique<server::SqliteStore>(db, connections);
}

std::int64_t QueryNumber(const std::string& db, const std::string& sql)
{
    if (server::IsPostgresTarget(db))
        return server::PgConnection(db).QueryInt(("SELECT (" + sql + ")::bigint").c_str());
    sqlite3* connection = nullptr;
    EXPECT_EQ(sqlite3_open(db.c_str(), &connection), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(connection, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
    const std::int64_t value = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    sqlite3_close(connection);
    return value;
}

} // namespace qb::testing
