// Nothing is lost: a save keeps what it replaced as a version, a delete moves entries to the
// trash, and both come back; retention prunes the oldest first and 0 keeps nothing.

#include "ServerFixture.h"
#include "StoreFixture.h"

#include "server/Retention.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace qb::server;
using namespace qb::testing;

namespace {

using Strings = std::vector<std::string>;
constexpr std::int64_t kDay = 24 * 3600;

// Envelope texts of distinct sizes.
const Strings kTexts = {"QUFB=", "QkJCQg==", "Q0NDQ0NDQ0ND", "RERERERERERERERE"};

std::string Line(std::initializer_list<std::int64_t> numbers, const std::string& tail = {})
{
    std::string line;
    for (const auto n : numbers)
        line += std::to_string(n) + "|";
    if (tail.empty())
        line.pop_back();
    return line + tail + "\n";
}

class HistoryTest : public ServerTest {
protected:
    std::string Versions(const std::string& file) { return Post("qbversions.pl", "&FILE=" + file); }
    std::string OpenVersion(const std::string& file, const std::string& version)
    {
        return Post("qbopenversion.pl", "&FILE=" + file + "&VERSION=" + version);
    }
    std::string Restore(const std::string& file, const std::string& version, const std::string& lock = "")
    {
        return Post("qbrestore.pl", "&FILE=" + file + "&VERSION=" + version + "&LOCK=" + lock);
    }
    std::string Trash(const std::string& account = "kiwi") { return Post("qbtrash.pl", "", account); }
    std::string Undelete(const std::string& entry, const std::string& account = "kiwi")
    {
        return Post("qbundelete.pl", "&ENTRY=" + entry, account);
    }
    std::string Delete(const std::string& dir, const std::string& names)
    {
        return Post("qbdelete.pl", "&DIR=" + dir + "&LIST=" + names);
    }
    std::string Opened(const std::string& text) { return "OK " + std::to_string(text.size()) + "\n" + text; }

    // Saves each text in turn, a minute apart.
    void SaveEach(const std::string& dir, const std::string& file, const Strings& texts)
    {
        for (const auto& text : texts) {
            ASSERT_EQ(Save(dir, file, text), "OK\n");
            m_now += 60;
        }
    }

    std::int64_t Count(const char* table)
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open((m_dir.path / "notes.db").c_str(), &db), SQLITE_OK);
        sqlite3_stmt* count = nullptr;
        sqlite3_prepare_v2(db, (std::string("SELECT COUNT(*) FROM ") + table).c_str(), -1, &count, nullptr);
        sqlite3_step(count);
        const std::int64_t rows = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
        sqlite3_close(db);
        return rows;
    }

    // A server on an empty database.
    void FreshServer(const ServiceOptions& options)
    {
        m_server.reset();
        m_service.reset();
        m_store.reset();
        for (const char* file : {"notes.db", "notes.db-wal", "notes.db-shm"})
            std::filesystem::remove(m_dir.path / file);
        StartServer(options);
    }

    void Prune(const RetentionOptions& options)
    {
        Retention(*m_store, options, [this] { return m_now; }).PruneAll();
    }
};

const std::string kNoVersion = "ERROR: The version does not exist.\n";
const std::string kNotInTrash = "ERROR: The entry is not in the trash.\n";

} // namespace

TEST_F(HistoryTest, EverySaveKeepsWhatItReplacedAndARestoreBringsItBackExactly)
{
    const std::int64_t t0 = m_now;
    SaveEach("", "n.rtf", kTexts);
    // Newest first: the three texts replaced, each with its size and the time it was saved.
    EXPECT_EQ(Versions("/n.rtf"), "OK\n" + Line({3, 12, t0 + 120}) + Line({2, 8, t0 + 60}) + Line({1, 5, t0}));
    for (int v = 1; v <= 3; ++v)
        EXPECT_EQ(OpenVersion("/n.rtf", std::to_string(v)), Opened(kTexts[static_cast<std::size_t>(v - 1)])) << v;

    EXPECT_EQ(Restore("/n.rtf", "1"), "OK\n");
    EXPECT_EQ(Open("/n.rtf"), Opened(kTexts[0]));
    EXPECT_EQ(Versions("/n.rtf"),
              "OK\n" + Line({4, 16, t0 + 180}) + Line({3, 12, t0 + 120}) + Line({2, 8, t0 + 60}) + Line({1, 5, t0}));
    EXPECT_EQ(OpenVersion("/n.rtf", "4"), Opened(kTexts[3]));
}

TEST_F(HistoryTest, ARenameOrMoveTakesTheHistoryAlong)
{
    SaveEach("", "n.rtf", {kTexts[0], kTexts[1]});
    ASSERT_EQ(Post("qbrename.pl", "&DIR=&FROM=n.rtf&TO=m.rtf"), "OK\n");
    Post("qbnewdir.pl", "&DIR=");
    ASSERT_EQ(Post("qbmove.pl", "&DIR=/New Folder&FROMDIR=&FILELIST=m.rtf\n"), "OK\n");
    EXPECT_EQ(OpenVersion("/New Folder/m.rtf", "1"), Opened(kTexts[0]));
    // A copy is a new note with no history; a new note of the old name has none either.
    ASSERT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/New Folder&FILELIST=m.rtf\n"), "OK\n");
    EXPECT_EQ(Versions("/m.rtf"), "OK\n");
    Save("", "n.rtf", kTexts[2]);
    EXPECT_EQ(Versions("/n.rtf"), "OK\n");
}

TEST_F(HistoryTest, VersionsAreAskedForByNumberOfTheirOwnNote)
{
    SaveEach("", "a.rtf", {kTexts[0], kTexts[1]});
    SaveEach("", "b.rtf", {kTexts[2], kTexts[3]});
    for (const std::string version : {"", "0", "01", "x", "-1", "3", "2", "99999999999999999999"}) {
        SCOPED_TRACE(version);
        EXPECT_EQ(OpenVersion("/a.rtf", version), kNoVersion);
        EXPECT_EQ(Restore("/a.rtf", version), "ERROR: The version does not exist. Nothing was restored.\n");
    }
    EXPECT_EQ(Versions("/c.rtf"), "ERROR: The note does not exist.\n/c.rtf\n");
    EXPECT_EQ(Versions("/"), "ERROR: The note path is not valid.\n/\n");
    EXPECT_EQ(Restore("/c.rtf", "1"), "ERROR: The note does not exist.\n/c.rtf\n");
    EXPECT_EQ(Open("/a.rtf"), Opened(kTexts[1]));
}

TEST_F(HistoryTest, RestoreRespectsTheLockOfAnotherIdentity)
{
    SaveEach("", "n.rtf", {kTexts[0], kTexts[1]});
    ASSERT_EQ(Open("/n.rtf", "HOST-A"), Opened(kTexts[1]));
    const std::string refused = "ERROR: The note is open exclusively on another computer. Nothing was restored.\n";
    EXPECT_EQ(Restore("/n.rtf", "1", "HOST-B"), refused);
    EXPECT_EQ(Restore("/n.rtf", "1"), refused);
    EXPECT_EQ(Open("/n.rtf"), Opened(kTexts[1]));
    EXPECT_EQ(Restore("/n.rtf", "1", "HOST-A"), "OK\n");
    EXPECT_EQ(Open("/n.rtf"), Opened(kTexts[0]));
    m_now += 12 * 3600; // the lease ran out
    EXPECT_EQ(Restore("/n.rtf", "2", "HOST-B"), "OK\n");
    EXPECT_EQ(Open("/n.rtf"), Opened(kTexts[1]));
}

TEST_F(HistoryTest, ADeletedTreeComesBackWholeFromTheTrash)
{
    const std::int64_t t0 = m_now;
    Post("qbnewdir.pl", "&DIR=");
    Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=Recipes");
    Post("qbnewdir.pl", "&DIR=/Recipes");
    Post("qbrename.pl", "&DIR=/Recipes&FROM=New Folder&TO=Cakes");
    const std::map<std::string, std::string> notes = {
        {"/Recipes/soup.rtf", kTexts[0]}, {"/Recipes/Cakes/a.rtf", kTexts[1]}, {"/Recipes/Cakes/b.rtf", kTexts[2]}};
    for (const auto& [path, text] : notes)
        ASSERT_EQ(Save("", path, text), "OK\n");
    SaveEach("", "top.rtf", {kTexts[0], kTexts[3]});
    const std::string listing = List("");

    m_now = t0 + 1000;
    ASSERT_EQ(Delete("", "Recipes\ntop.rtf\n"), "OK\n");
    EXPECT_EQ(List(""), "OK\n");
    EXPECT_EQ(Trash(), "OK\n" + Line({2, 0, 16, t0 + 1000}, "/top.rtf") + Line({1, 1, 25, t0 + 1000}, "/Recipes"));
    EXPECT_EQ(Trash("other"), "OK\n");
    EXPECT_EQ(Undelete("1", "other"), kNotInTrash);

    EXPECT_EQ(Undelete("1"), "OK\n/Recipes\n");
    EXPECT_EQ(Undelete("2"), "OK\n/top.rtf\n");
    EXPECT_EQ(Undelete("2"), kNotInTrash);
    EXPECT_EQ(Trash(), "OK\n");
    EXPECT_EQ(List(""), listing);
    for (const auto& [path, text] : notes)
        EXPECT_EQ(Open(path), Opened(text)) << path;
    EXPECT_EQ(Open("/top.rtf"), Opened(kTexts[3]));
    EXPECT_EQ(OpenVersion("/top.rtf", "1"), Opened(kTexts[0])); // its history came back too
}

// Put back where it was; a taken name gives the name a copy would get, a note in the way
// of its folder refuses.
TEST_F(HistoryTest, UndeleteFindsAPlace)
{
    struct Case {
        Strings taken; // saved after the delete; "F" at the top stands in the folder's way
        std::string reply;
    };
    const std::vector<Case> cases = {
        {{}, "OK\n/F/n.rtf\n"},
        {{"/F/n.rtf"}, "OK\n/F/Copy of n.rtf\n"},
        {{"/F/n.rtf", "/F/Copy of n.rtf"}, "OK\n/F/Copy (2) of n.rtf\n"},
        {{"/F"}, "ERROR: \"/F\" is no longer a folder. Nothing was restored.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        FreshServer({});
        Post("qbnewdir.pl", "&DIR=");
        Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=F");
        ASSERT_EQ(Save("/F", "n.rtf", kTexts[1]), "OK\n");
        ASSERT_EQ(Delete("/F", "n.rtf\n"), "OK\n");
        for (const auto& path : c.taken) {
            if (path == "/F") {
                ASSERT_EQ(Delete("", "F\n"), "OK\n");
            }
            ASSERT_EQ(Save("", path, kTexts[0]), "OK\n");
        }
        const std::string reply = Undelete("1");
        EXPECT_EQ(reply, c.reply);
        if (reply.starts_with("OK\n")) {
            EXPECT_EQ(Open(reply.substr(3, reply.size() - 4)), Opened(kTexts[1]));
        }
    }
}

TEST_F(HistoryTest, UndeleteMakesAGoneFolderAgain)
{
    Post("qbnewdir.pl", "&DIR=");
    Post("qbnewdir.pl", "&DIR=/New Folder");
    Save("/New Folder/New Folder", "n.rtf", kTexts[0]);
    ASSERT_EQ(Delete("/New Folder/New Folder", "n.rtf\n"), "OK\n");
    ASSERT_EQ(Delete("", "New Folder\n"), "OK\n");
    EXPECT_EQ(Undelete("1"), "OK\n/New Folder/New Folder/n.rtf\n");
    EXPECT_EQ(Open("/New Folder/New Folder/n.rtf"), Opened(kTexts[0]));
    // The folder put back meets the one made again: it takes a copy's name.
    EXPECT_EQ(Undelete("2"), "OK\n/Copy of New Folder\n");
    EXPECT_EQ(List("/Copy of New Folder/New Folder"), "OK\n");
}

// Each limit alone, the others ample.
TEST_F(HistoryTest, RetentionPrunesTheOldestFirst)
{
    const std::int64_t t0 = m_now;
    // n.rtf is saved on days 0, 1, 2 and 4, so its versions are 1 (5 bytes, replaced on
    // day 1), 2 (8 bytes, day 2) and 3 (12 bytes, day 4). gone.rtf (5 bytes) is deleted on
    // day 4, or on day 0 when the trash is to be older.
    const std::string v3 = Line({3, 12, t0 + 2 * kDay}), v2 = Line({2, 8, t0 + kDay}), v1 = Line({1, 5, t0});
    const std::string lastGone = Line({1, 0, 5, t0 + 4 * kDay}, "/gone.rtf");
    const std::string firstGone = Line({1, 0, 5, t0}, "/gone.rtf");
    struct Case {
        const char* name;
        std::int64_t versionsPerNote, maxAgeDays, accountBytes;
        bool trashFirst;
        std::int64_t later; // seconds after the last save when pruning runs
        std::string versions;
        std::string trash;
    };
    const std::int64_t ample = 1 << 20;
    const std::vector<Case> cases = {
        {"count", 2, 30, ample, false, 0, v3 + v2, lastGone},
        {"age", 50, 3, ample, false, 2 * kDay, v3, lastGone},
        {"age, all", 50, 3, ample, false, 3 * kDay + 1, "", ""},
        {"age, the trash older", 50, 3, ample, true, 2 * kDay, v3, ""},
        {"size", 50, 30, 12 + 8 + 5, false, 0, v3 + v2, lastGone},
        {"size, the trash older", 50, 30, 12 + 8 + 5, true, 0, v3 + v2 + v1, ""},
        {"size, less", 50, 30, 12, false, 0, "", lastGone}, // v3 and gone tie: versions go first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceOptions options;
        options.retention.versionsPerNote = c.versionsPerNote;
        options.retention.maxAgeSeconds = c.maxAgeDays * kDay;
        options.retention.accountBytes = c.accountBytes;
        FreshServer(options);
        for (const int day : {0, 1, 2, 4}) {
            m_now = t0 + day * kDay;
            if (day == (c.trashFirst ? 0 : 4)) {
                Save("", "gone.rtf", kTexts[0]);
                ASSERT_EQ(Delete("", "gone.rtf\n"), "OK\n");
            }
            ASSERT_EQ(Save("", "n.rtf", kTexts[static_cast<std::size_t>(day == 4 ? 3 : day)]), "OK\n");
        }
        m_now += c.later;
        Prune(options.retention);
        EXPECT_EQ(Versions("/n.rtf"), "OK\n" + c.versions);
        EXPECT_EQ(Trash(), "OK\n" + c.trash);
        EXPECT_EQ(Open("/n.rtf"), Opened(kTexts[3]));
    }
}

// With any limit at 0 a save replaces and a delete erases, and a server started so drops
// what an earlier run kept.
TEST_F(HistoryTest, RetentionZeroKeepsNothing)
{
    struct Case {
        const char* limit;
        std::int64_t RetentionOptions::*option;
        bool trash; // the trash is still kept
    };
    const std::vector<Case> cases = {
        {"versions", &RetentionOptions::versionsPerNote, true},
        {"age", &RetentionOptions::maxAgeSeconds, false},
        {"size", &RetentionOptions::accountBytes, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        FreshServer({});
        SaveEach("", "old.rtf", {kTexts[0], kTexts[1]});
        ASSERT_EQ(Delete("", "old.rtf\n"), "OK\n");
        ServiceOptions options;
        options.retention.*c.option = 0;
        StartServer(options);
        Prune(options.retention);
        EXPECT_EQ(Count("versions"), 0);
        EXPECT_EQ(Count("trash"), c.trash ? 1 : 0);

        SaveEach("", "n.rtf", kTexts);
        EXPECT_EQ(Versions("/n.rtf"), "OK\n");
        ASSERT_EQ(Delete("", "n.rtf\n"), "OK\n");
        Prune(options.retention);
        EXPECT_EQ(Count("versions"), 0);
        EXPECT_EQ(Count("trash"), c.trash ? 2 : 0);
        EXPECT_EQ(Count("nodes"), c.trash ? 3 : 1); // the top folder, and what the trash holds
    }
}

// A database made before versions and the trash opens, and its notes gain both.
TEST(HistoryUpgrade, AnOlderDatabaseOpens)
{
    TempDir dir;
    const std::string db = (dir.path / "old.db").string();
    ExecSql(db, R"sql(
CREATE TABLE nodes (
    id INTEGER PRIMARY KEY,
    account TEXT NOT NULL,
    parent INTEGER REFERENCES nodes(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    name_key TEXT NOT NULL,
    is_folder INTEGER NOT NULL,
    data BLOB NOT NULL DEFAULT x'',
    size INTEGER NOT NULL DEFAULT 0,
    modified INTEGER NOT NULL DEFAULT 0,
    lock_owner TEXT NOT NULL DEFAULT '',
    lock_time INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX nodes_by_name ON nodes(parent, name_key);
CREATE UNIQUE INDEX roots ON nodes(account) WHERE parent IS NULL;
INSERT INTO nodes(id, account, parent, name, name_key, is_folder) VALUES (1, 'kiwi', NULL, '', '', 1);
INSERT INTO nodes(account, parent, name, name_key, is_folder, data, size, modified)
    VALUES ('kiwi', 1, 'Old.rtf', 'old.rtf', 0, 'QUFB=', 5, 1600000000);
)sql");
    StoreClient client(db, {});
    EXPECT_EQ(client.List("kiwi"), "OK\n0|5|1600000000|Old.rtf\n");
    EXPECT_EQ(client.Save("kiwi", "/Old.rtf", "QkJC="), "OK\n");
    EXPECT_EQ(client.Post("qbversions.pl", "&FILE=/old.rtf", "kiwi"), "OK\n1|5|1600000000\n");
    EXPECT_EQ(client.Delete("kiwi", "Old.rtf"), "OK\n");
    EXPECT_EQ(client.Post("qbtrash.pl", "", "kiwi"), "OK\n1|0|5|1700000000|/Old.rtf\n");
    EXPECT_EQ(client.Post("qbundelete.pl", "&ENTRY=1", "kiwi"), "OK\n/Old.rtf\n");
    EXPECT_EQ(client.Open("kiwi", "/Old.rtf"), "OK 5\nQkJC=");
}

// The background thread prunes on its own, a round per interval, and stops with its owner.
TEST_F(HistoryTest, PruningRunsInTheBackground)
{
    SaveEach("", "n.rtf", kTexts);
    ASSERT_EQ(Count("versions"), 3);
    std::atomic<std::int64_t> now = m_now + 31 * kDay;
    Retention retention(*m_store, RetentionOptions{}, [&] { return now.load(); });
    {
        const RetentionThread pruning(retention, std::chrono::milliseconds(10), std::chrono::milliseconds(1));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Count("versions") != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(Count("versions"), 0); // within the 5 s waited
    EXPECT_EQ(Open("/n.rtf"), Opened(kTexts[3]));
}
