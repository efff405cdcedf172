#include "StoreFixture.h"

#include "ServerFixture.h"

#include "server/RequestBody.h"

#include <sqlite3.h>

namespace qb::testing {

StoreClient::StoreClient(const std::string& db, server::SqliteStoreOptions options)
    : StoreClient(std::make_unique<server::SqliteStore>(db, std::move(options)))
{
}

StoreClient::StoreClient(std::unique_ptr<server::INoteStore> store)
    : store(std::move(store)), service(std::make_unique<server::NotesService>(*this->store, server::ServiceOptions{},
                                                                              [] { return std::int64_t{1700000000}; }))
{
}

std::string StoreClient::Post(const std::string& script, const std::string& rest, const std::string& account)
{
    const server::Script* found = server::FindScript(script);
    EXPECT_NE(found, nullptr) << script;
    return found ? service->Handle(*found, "ID=" + Token(account) + rest).text : std::string();
}

std::string StoreClient::Save(const std::string& account, const std::string& path, const std::string& data)
{
    return Post("qbsave.pl", "&DIR=&FILE=" + path + "&LOCK=0&DATA=" + data, account);
}

std::string StoreClient::Open(const std::string& account, const std::string& path)
{
    return Post("qbopen.pl", "&FILE=" + path + "&LOCK=", account);
}

std::string StoreClient::List(const std::string& account, const std::string& dir)
{
    return Post("qbdir.pl", "&DIR=" + dir, account);
}

std::string StoreClient::Delete(const std::string& account, const std::string& name)
{
    return Post("qbdelete.pl", "&DIR=&LIST=" + name + "\n", account);
}

void ExecSql(const std::string& db, const std::string& sql)
{
    sqlite3* connection = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &connection), SQLITE_OK);
    sqlite3_busy_timeout(connection, 10000);
    char* message = nullptr;
    const int rc = sqlite3_exec(connection, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(connection);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

} // namespace qb::testing
