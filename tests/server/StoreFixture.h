#pragma once
// A notes service on a SQLite store of the test's choosing, driven the way the HTTP front
// drives it (script name and raw body), and plain SQL on the same database from outside.

#include "server/NotesService.h"
#include "server/SqliteStore.h"

#include <memory>
#include <string>

namespace qb::testing {

inline const std::string kCouldNotComplete = "ERROR: The server could not complete the request. Nothing was changed.\n";
inline const std::string kStorageFull = "ERROR: The server's storage is full.\n";

class StoreClient {
public:
    StoreClient(const std::string& db, server::SqliteStoreOptions options);
    explicit StoreClient(std::unique_ptr<server::INoteStore> store);

    std::string Post(const std::string& script, const std::string& rest, const std::string& account);
    std::string Save(const std::string& account, const std::string& path, const std::string& data);
    std::string Open(const std::string& account, const std::string& path);
    std::string List(const std::string& account, const std::string& dir = "");
    std::string Delete(const std::string& account, const std::string& name);

    std::unique_ptr<server::INoteStore> store;
    std::unique_ptr<server::NotesService> service;
};

// Runs SQL on the database through a connection of its own; fails the test on an error.
void ExecSql(const std::string& db, const std::string& sql);

} // namespace qb::testing
