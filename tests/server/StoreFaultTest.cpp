// Storage failures never mix accounts up, never lose an acknowledged save, and are told
// apart from a full disk.

#include "StoreFixture.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <set>
#include <thread>
#include <vector>

using namespace qb::server;
using namespace qb::testing;

namespace {

std::string Listing(const std::vector<std::string>& lines)
{
    std::string text = "OK\n";
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

// Without the fix: alice's failed insert stayed half-run on the only connection, bob's
// binds on it were refused, and it ran again with alice's values under bob's new top
// folder (the same row id, alice's having been rolled back). Bob's save answered "OK",
// bob's folder listed alice's a.rtf with her text, and bob's b.rtf was lost.
TEST(StoreFaults, AFailedStepLeavesNothingForTheNextRequest)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    SqliteStoreOptions options;
    options.connections = 1;
    StoreClient client(db, options);
    // Stands in for a disk error while the fault table holds a row.
    ExecSql(db, "CREATE TABLE disk_fault(x); INSERT INTO disk_fault VALUES (1);"
                "CREATE TRIGGER disk_fault BEFORE INSERT ON nodes"
                " WHEN NEW.parent IS NOT NULL AND EXISTS (SELECT 1 FROM disk_fault)"
                " BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END;");

    EXPECT_EQ(client.Save("alice", "/a.rtf", "QUFB="), kCouldNotComplete);
    ExecSql(db, "DELETE FROM disk_fault;");

    EXPECT_EQ(client.Save("bob", "/b.rtf", "QkJC="), "OK\n");
    EXPECT_EQ(client.List("bob"), Listing({"0|5|1700000000|b.rtf"}));
    EXPECT_EQ(client.Open("bob", "/b.rtf"), "OK 5\nQkJC=");
    EXPECT_EQ(client.List("alice"), "OK\n");
    EXPECT_EQ(client.Save("alice", "/a.rtf", "QUFB="), "OK\n");
    EXPECT_EQ(client.Open("alice", "/a.rtf"), "OK 5\nQUFB=");
}

// Several clients of several accounts while steps fail at random: each sees only its own
// notes, and every save answered "OK" reads back (the last one of each note).
TEST(StoreFaults, RandomStepFailuresUnderConcurrentAccounts)
{
    TempDir dir;
    std::atomic<bool> inject = true;
    std::atomic<std::uint64_t> steps = 0;
    std::atomic<int> injected = 0;
    SqliteStoreOptions options;
    options.connections = 3;
    options.failStep = [&] {
        // A fixed sequence (a counter through a mixer): about one step in twelve fails.
        std::uint64_t x = steps.fetch_add(1) + 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        const bool fail = inject && (x ^ (x >> 31)) % 12 == 0;
        if (fail)
            ++injected;
        return fail;
    };
    StoreClient client((dir.path / "notes.db").string(), options);

    constexpr int kAccounts = 4;
    constexpr int kOperations = 90; // per account: a save, an open and a listing each
    constexpr int kNotes = 5;
    struct Outcome {
        std::map<int, std::string> saved; // note -> the last acknowledged text
        int acknowledged = 0;
        std::vector<std::string> wrong;
    };
    std::vector<Outcome> outcomes(kAccounts);
    std::vector<std::thread> threads;
    for (int a = 0; a < kAccounts; ++a) {
        threads.emplace_back([&, a] {
            const std::string account = "user" + std::to_string(a);
            Outcome& out = outcomes[static_cast<std::size_t>(a)];
            const auto note = [](int n) { return "n" + std::to_string(n) + ".rtf"; };
            for (int i = 0; i < kOperations; ++i) {
                const int n = i % kNotes;
                const std::string data = "U" + std::to_string(a) + "x" + std::to_string(i) + "=";
                const std::string saved = client.Save(account, "/" + note(n), data);
                if (saved == "OK\n") {
                    out.saved[n] = data;
                    ++out.acknowledged;
                } else if (saved != kCouldNotComplete) {
                    out.wrong.push_back("save: " + saved);
                }
                const int m = (i * 7) % kNotes;
                const std::string opened = client.Open(account, "/" + note(m));
                const auto known = out.saved.find(m);
                const std::string expected = known == out.saved.end()
                                                 ? std::string("ERROR: The note does not exist.\n/") + note(m) + "\n"
                                                 : "OK " + std::to_string(known->second.size()) + "\n" + known->second;
                if (opened != expected && opened != kCouldNotComplete)
                    out.wrong.push_back("open " + note(m) + ": " + opened);
                const std::string listing = client.List(account);
                std::string names;
                for (const auto& [k, text] : out.saved)
                    names += "0|" + std::to_string(text.size()) + "|1700000000|" + note(k) + "\n";
                if (listing != "OK\n" + names && listing != kCouldNotComplete)
                    out.wrong.push_back("list: " + listing);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    inject = false;

    int acknowledged = 0;
    for (int a = 0; a < kAccounts; ++a) {
        const Outcome& out = outcomes[static_cast<std::size_t>(a)];
        EXPECT_EQ(out.wrong, std::vector<std::string>{}) << "user" << a;
        acknowledged += out.acknowledged;
        const std::string account = "user" + std::to_string(a);
        std::string names;
        for (const auto& [n, text] : out.saved) {
            const std::string name = "n" + std::to_string(n) + ".rtf";
            names += "0|" + std::to_string(text.size()) + "|1700000000|" + name + "\n";
            EXPECT_EQ(client.Open(account, "/" + name), "OK " + std::to_string(text.size()) + "\n" + text);
        }
        EXPECT_EQ(client.List(account), "OK\n" + names);
    }
    // Both sides of the fault were exercised: many failures and most saves through.
    EXPECT_GE(injected.load(), 30);
    EXPECT_GE(acknowledged, kAccounts * kOperations / 2);
}

// Another writer holds the write lock for a while: a save waits for it rather than fail,
// and listings go on meanwhile.
TEST(StoreFaults, AWriterWaitsForTheLock)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    StoreClient client(db, {});
    ASSERT_EQ(client.Save("kiwi", "/a.rtf", "QUFB="), "OK\n");

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; UPDATE nodes SET modified = modified;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    auto save = std::async(std::launch::async, [&] { return client.Save("kiwi", "/b.rtf", "QkJC="); });
    // Cannot finish while the lock is held, however slow the machine.
    EXPECT_EQ(save.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
    EXPECT_EQ(client.List("kiwi"), Listing({"0|5|1700000000|a.rtf"}));
    ASSERT_EQ(sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(save.get(), "OK\n");
    EXPECT_EQ(client.Open("kiwi", "/b.rtf"), "OK 5\nQkJC=");
}
