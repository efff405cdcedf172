// One server owns its database, and its files are readable by their owner only.

#include "ServerProcess.h"
#include "StoreFixture.h"

#include "server/PgConnection.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

using namespace qb::server;
using namespace qb::testing;

namespace {

std::string InUse(const std::string& db)
{
    return "the database " + db + " is in use by another server";
}

unsigned Mode(const std::filesystem::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

} // namespace

TEST(StoreOwnership, ASecondStoreOnTheDatabaseRefusesToOpen)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    {
        StoreClient first(db, {});
        try {
            SqliteStore second(db, SqliteStoreOptions{});
            ADD_FAILURE() << "a second store opened the database";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), InUse(db));
        }
        // Servers sharing a database on purpose do not take the lock.
        SqliteStoreOptions shared;
        shared.exclusive = false;
        EXPECT_NO_THROW((SqliteStore{db, shared}));
        EXPECT_EQ(first.Save("kiwi", "/a.rtf", "QUFB="), "OK\n");
    }
    // Released with the store.
    StoreClient again(db, {});
    EXPECT_EQ(again.Open("kiwi", "/a.rtf"), "OK 5\nQUFB=");
}

// Servers sharing a file count each account's changes in it: a listing one of them keeps
// gives way at once to a change made through the other.
TEST(StoreOwnership, ServersSharingTheDatabaseListEachOthersChangesAtOnce)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    SqliteStoreOptions shared;
    shared.exclusive = false;
    StoreClient a(db, shared);
    StoreClient b(db, shared);
    for (int i = 0; i < 3; ++i) {
        StoreClient& writer = i % 2 == 0 ? a : b;
        StoreClient& reader = i % 2 == 0 ? b : a;
        ASSERT_EQ(reader.List("kiwi"), writer.List("kiwi")); // both keep what they listed
        ASSERT_EQ(writer.Save("kiwi", "/n" + std::to_string(i) + ".rtf", "QUFB="), "OK\n");
        EXPECT_EQ(reader.List("kiwi"), writer.List("kiwi")) << i;
    }
    ASSERT_EQ(a.Delete("kiwi", "n0.rtf"), "OK\n");
    EXPECT_EQ(b.List("kiwi"), "OK\n0|5|1700000000|n1.rtf\n0|5|1700000000|n2.rtf\n");
}

TEST(StoreOwnership, ASecondServerProcessSaysTheDatabaseIsInUse)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    StoreClient first(db, {});
    const auto [output, status] = RunServer("--listen 127.0.0.1:0 --db '" + db + "'");
    EXPECT_EQ(output, "quillbox-server: " + InUse(db) + "\n");
    EXPECT_EQ(status, 1);
}

// What the server says of its command line before it opens any database.
TEST(StoreOwnership, TheCommandLineIsCheckedFirst)
{
    struct Case {
        const char* arguments;
        int status;
        const char* firstLine;
    };
    const Case cases[] = {
        {"--help", 0, "usage: quillbox-server [--listen HOST:PORT] [--db PATH|postgresql://...] [--lock-lease SECONDS]"},
        {"--bogus", 2, "quillbox-server: unknown option --bogus"},
        {"--db", 2, "quillbox-server: --db needs a value"},
        {"--workers 0", 2, "quillbox-server: bad value for --workers: 0"},
        {"--listen 127.0.0.1", 2, "quillbox-server: --listen takes HOST:PORT"},
    };
    for (const Case& c : cases) {
        const auto [output, status] = RunServer(c.arguments);
        EXPECT_EQ(output.substr(0, output.find('\n')), c.firstLine) << c.arguments;
        EXPECT_EQ(status, c.status) << c.arguments;
    }
}

// --db is a PostgreSQL database only in the forms libpq takes; any other text is a file.
TEST(StoreOwnership, DbNamesPostgreSqlOnlyByItsForm)
{
    const std::pair<const char*, bool> cases[] = {
        {"postgresql://quillbox@db.example.org/quillbox", true},
        {"postgres:///quillbox", true},
        {"host=/var/run/postgresql dbname=quillbox", true},
        {"dbname = quillbox", true},
        {"data/quillbox.db", false},
        {"/srv/notes=old/quillbox.db", false},
        {"backup-2026=12.db", false},
        {"=x", false},
    };
    for (const auto& [db, postgres] : cases)
        EXPECT_EQ(IsPostgresTarget(db), postgres) << db;
}

TEST(StoreOwnership, FilesAreForTheOwnerOnly)
{
    TempDir dir;
    const auto folder = dir.path / "data" / "notes";
    const auto db = folder / "quillbox.db";
    const mode_t previous = ::umask(022); // a common umask that lets others read
    {
        StoreClient client(db.string(), {});
        EXPECT_EQ(client.Save("kiwi", "/a.rtf", "QUFB="), "OK\n");
        for (const auto& made : {dir.path / "data", folder})
            EXPECT_EQ(Mode(made), 0700u) << made;
        for (const char* suffix : {"", "-wal", "-shm", ".lock", ".reserve"})
            EXPECT_EQ(Mode(db.string() + suffix), 0600u) << suffix;
    }
    ::umask(previous);
}
