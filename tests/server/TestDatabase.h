#pragma once
// The storage the server tests run on: SQLite files, or, with QUILLBOX_TEST_DB=postgresql,
// databases in a PostgreSQL cluster the tests start for themselves. Every rule lives above
// the store, so the same tests hold both backends to it.

#include "server/NoteStore.h"

#include "TempDir.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qb::testing {

bool OnPostgres();

// A fresh, empty database for one test: a file in dir, or a new database in the cluster.
// What quillbox-server takes as --db.
std::string FreshDatabase(const TempDir& dir);
// Always a new PostgreSQL database, whichever backend the run is for.
std::string FreshPostgresDatabase();

// The store for a database FreshDatabase made, as quillbox-server would open it.
std::unique_ptr<server::INoteStore> OpenTestStore(const std::string& db, int connections);

// The first column of the first row of a query run on the database from outside.
std::int64_t QueryNumber(const std::string& db, const std::string& sql);

} // namespace qb::testing
