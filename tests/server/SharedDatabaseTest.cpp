// Two servers on one PostgreSQL database, with clients on both at once: the lock, name,
// listing and trash rules hold across them as within one, pruning on both spares what is put
// back, and killing one loses no acknowledged save.
// Always on PostgreSQL, whichever backend the rest of the run is for.

#include "ServerFixture.h"
#include "ServerProcess.h"
#include "TestDatabase.h"

#include "server/NotesServer.h"
#include "server/PgConnection.h"
#include "server/Retention.h"

#include <atomic>
#include <ctime>
#include <latch>
#include <set>
#include <thread>

using namespace qb;
using namespace qb::testing;

namespace {

const std::string kNote = "QUJD=";
const std::string kNotSaved = "ERROR: This note is open exclusively on another computer. Nothing was saved.\n";
// Whoever holds the lock, the refusal never names them.
const std::string kLockedElsewhere =
    "ERROR: This note is open exclusively on another computer.\nOpen it without the lock to read it.\n";

std::string Call(int port, const std::string& script, const std::string& rest)
{
    return PostRaw(port, "/Buffer/Buffer0000/bin/" + script, "ID=" + Token("kiwi") + rest).body;
}

std::string Save(int port, const std::string& path, const std::string& data, const std::string& lock = "0")
{
    return Call(port, "qbsave.pl", "&DIR=&FILE=" + path + "&LOCK=" + lock + "&DATA=" + data);
}

std::string Open(int port, const std::string& path, const std::string& lock = "")
{
    return Call(port, "qbopen.pl", "&FILE=" + path + "&LOCK=" + lock);
}

std::string List(int port, const std::string& dir = "")
{
    return Call(port, "qbdir.pl", "&DIR=" + dir);
}

// One server in this process with a store of its own, as a second process would have.
struct Server {
    explicit Server(const std::string& db)
        : store(OpenTestStore(db, 8)), service(*store, server::ServiceOptions{})
    {
        server::ServerOptions http;
        http.port = 0;
        http.log = false;
        http.workers = 8;
        front = std::make_unique<server::NotesServer>(service, http);
        port = front->Start();
    }
    std::unique_ptr<server::INoteStore> store;
    server::NotesService service;
    std::unique_ptr<server::NotesServer> front;
    int port = -1;
};

class SharedDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(a.port, 0);
        ASSERT_GT(b.port, 0);
    }
    // Runs client(i) for i in [0, clients) on threads of their own, all started together;
    // even clients go through A, odd ones through B.
    template <typename Client>
    void Together(int clients, Client client)
    {
        std::latch start(clients);
        std::vector<std::thread> threads;
        for (int i = 0; i < clients; ++i) {
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                client(i, i % 2 == 0 ? a.port : b.port);
            });
        }
        for (auto& thread : threads)
            thread.join();
    }

    std::string db = FreshPostgresDatabase();
    Server a{db};
    Server b{db};
};

} // namespace

TEST_F(SharedDatabase, ExclusiveOpensRaceAndExactlyOneWins)
{
    for (int round = 0; round < 10; ++round) {
        const std::string path = "/race" + std::to_string(round) + ".rtf";
        ASSERT_EQ(Save(a.port, path, kNote), "OK\n");
        std::vector<std::string> replies(16);
        Together(16, [&](int i, int port) { replies[i] = Open(port, path, "HOST-" + std::to_string(i)); });
        std::vector<int> winners;
        for (int i = 0; i < 16; ++i) {
            if (replies[i] == "OK 5\n" + kNote)
                winners.push_back(i);
        }
        ASSERT_EQ(winners.size(), 1u) << round;
        for (int i = 0; i < 16; ++i) {
            if (i != winners[0]) {
                EXPECT_EQ(replies[i], kLockedElsewhere) << round << " " << i;
            }
        }
    }
}

TEST_F(SharedDatabase, SavesOfALockedNoteAreRefusedThroughEither)
{
    ASSERT_EQ(Save(a.port, "n.rtf", kNote), "OK\n");
    ASSERT_EQ(Open(a.port, "/n.rtf", "HOST-A"), "OK 5\n" + kNote);
    std::vector<std::string> replies(16);
    Together(16, [&](int i, int port) { replies[i] = Save(port, "/n.rtf", "QkJC=", "HOST-B" + std::to_string(i) + "0"); });
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(replies[i], kNotSaved) << i;
    EXPECT_EQ(Open(b.port, "/n.rtf", "HOST-B"), kLockedElsewhere);
    // The holder saves through either server.
    EXPECT_EQ(Save(b.port, "/n.rtf", "QUFB=", "HOST-A0"), "OK\n");
    EXPECT_EQ(Open(a.port, "/n.rtf"), "OK 5\nQUFB=");
}

TEST_F(SharedDatabase, ListingsThroughOneShowChangesThroughTheOtherAtOnce)
{
    for (int i = 0; i < 20; ++i) {
        const std::string name = "n" + std::to_string(100 + i) + ".rtf";
        const int writer = i % 2 == 0 ? a.port : b.port;
        const int reader = i % 2 == 0 ? b.port : a.port;
        // Each server keeps the listing it gave, now about to be out of date.
        ASSERT_EQ(List(writer), List(reader));
        ASSERT_EQ(Save(writer, name, kNote), "OK\n");
        const auto names = Names(List(reader));
        ASSERT_EQ(names.size(), static_cast<std::size_t>(i + 1)) << i;
        EXPECT_EQ(names.back(), name);
    }
    ASSERT_EQ(Call(a.port, "qbrename.pl", "&DIR=&FROM=n100.rtf&TO=first.rtf"), "OK\n");
    EXPECT_EQ(Names(List(b.port)).front(), "first.rtf");
    ASSERT_EQ(Call(b.port, "qbdelete.pl", "&DIR=&LIST=first.rtf\n"), "OK\n");
    EXPECT_EQ(Names(List(a.port)).size(), 19u);

    // A folder kept under two spellings of its path.
    ASSERT_TRUE(Call(a.port, "qbnewdir.pl", "&DIR=").ends_with("|New Folder\n"));
    ASSERT_EQ(List(b.port, "/New Folder"), "OK\n");
    ASSERT_EQ(List(b.port, "/new folder"), "OK\n");
    ASSERT_EQ(Save(a.port, "/New Folder/inner.rtf", kNote), "OK\n");
    EXPECT_EQ(Names(List(b.port, "/NEW FOLDER")), std::vector<std::string>{"inner.rtf"});
    EXPECT_EQ(Names(List(b.port, "/new folder")), std::vector<std::string>{"inner.rtf"});
}

TEST_F(SharedDatabase, NewFoldersMadeTogetherGetNamesOfTheirOwn)
{
    std::vector<std::string> replies(24);
    Together(24, [&](int i, int port) { replies[i] = Call(port, "qbnewdir.pl", "&DIR="); });
    int made = 0;
    for (const auto& reply : replies)
        made += reply.starts_with("OK\n") ? 1 : 0;
    EXPECT_EQ(made, 24);
    const auto names = Names(List(a.port));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 24u);
    EXPECT_EQ(names.size(), 24u);
}

const std::string kNotInTrash = "ERROR: The entry is not in the trash.\n";

// Deletes notes n0.rtf ... n<count-1>.rtf in one request: trash entries 1 ... count.
void SaveAndDelete(int port, int count)
{
    std::string list;
    for (int n = 0; n < count; ++n) {
        const std::string name = "n" + std::to_string(n) + ".rtf";
        ASSERT_EQ(Save(port, name, kNote), "OK\n");
        list += name + "\n";
    }
    ASSERT_EQ(Call(port, "qbdelete.pl", "&DIR=&LIST=" + list), "OK\n");
}

TEST_F(SharedDatabase, UndeletesOfOneEntryRaceAndExactlyOnePutsItBack)
{
    SaveAndDelete(a.port, 10);
    for (int entry = 1; entry <= 10; ++entry) {
        std::vector<std::string> replies(8);
        Together(8, [&](int i, int port) { replies[i] = Call(port, "qbundelete.pl", "&ENTRY=" + std::to_string(entry)); });
        int putBack = 0;
        for (const auto& reply : replies) {
            if (reply == "OK\n/n" + std::to_string(entry - 1) + ".rtf\n")
                ++putBack;
            else
                EXPECT_EQ(reply, kNotInTrash) << entry;
        }
        EXPECT_EQ(putBack, 1) << entry;
    }
    EXPECT_EQ(Names(List(b.port)).size(), 10u); // and no copies
    EXPECT_EQ(Call(b.port, "qbtrash.pl", ""), "OK\n");
}

// Both servers prune the trash (its entries past their age) while clients put entries back
// through both: an entry answered as put back is there with its text, every other one is
// gone whole, and neither pruner fails.
TEST_F(SharedDatabase, PruningOnBothServersSparesWhatIsPutBackMeanwhile)
{
    constexpr int kEntries = 40;
    SaveAndDelete(a.port, kEntries);
    const auto later = [] { return static_cast<std::int64_t>(std::time(nullptr)) + 31 * 24 * 3600; };
    server::Retention pruneA(*a.store, {}, later);
    server::Retention pruneB(*b.store, {}, later);
    std::vector<std::string> replies(kEntries);
    std::atomic<int> failures = 0;
    const auto prune = [&](server::Retention& retention) {
        try {
            while (retention.PruneBatch(2)) {
            }
        } catch (const std::exception& e) {
            ++failures;
            ADD_FAILURE() << e.what();
        }
    };
    std::thread pruningA([&] { prune(pruneA); });
    std::thread pruningB([&] { prune(pruneB); });
    Together(8, [&](int i, int port) {
        for (int entry = i; entry < kEntries; entry += 8)
            replies[entry] = Call(port, "qbundelete.pl", "&ENTRY=" + std::to_string(entry + 1));
    });
    pruningA.join();
    pruningB.join();
    EXPECT_EQ(failures, 0);
    pruneA.PruneAll();
    std::size_t putBack = 0;
    for (int n = 0; n < kEntries; ++n) {
        const std::string path = "/n" + std::to_string(n) + ".rtf";
        if (replies[n] == "OK\n" + path + "\n") {
            ++putBack;
            EXPECT_EQ(Open(b.port, path), "OK 5\n" + kNote) << n;
        } else {
            EXPECT_EQ(replies[n], kNotInTrash) << n;
        }
    }
    EXPECT_EQ(Names(List(a.port)).size(), putBack);
    EXPECT_EQ(Call(b.port, "qbtrash.pl", ""), "OK\n");
    EXPECT_EQ(QueryNumber(db, "SELECT COUNT(*) FROM nodes"), static_cast<std::int64_t>(putBack) + 1); // and the top folder
}

// A database restart or an administrator ending sessions breaks every pooled connection: the
// requests that meet them run again on new ones, and none of them fails.
TEST(SharedDatabaseConnections, ConnectionsEndedByTheDatabaseAreReplacedUnnoticed)
{
    const std::string db = FreshPostgresDatabase();
    Server server(db);
    ASSERT_GT(server.port, 0);
    ASSERT_EQ(Save(server.port, "n.rtf", kNote), "OK\n");
    for (int round = 0; round < 3; ++round) {
        server::PgConnection(db).Exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                      " WHERE datname = current_database() AND pid <> pg_backend_pid()");
        const std::string data = "QUFB" + std::to_string(round) + "=";
        EXPECT_EQ(Save(server.port, "/n.rtf", data), "OK\n") << round;
        EXPECT_EQ(Open(server.port, "/n.rtf"), "OK " + std::to_string(data.size()) + "\n" + data) << round;
        EXPECT_EQ(Names(List(server.port)), std::vector<std::string>{"n.rtf"}) << round;
    }
}

TEST(SharedDatabaseProcesses, AcknowledgedSavesReadBackThroughTheSurvivor)
{
    const std::string db = FreshPostgresDatabase();
    ServerProcess survivor(db);
    ServerProcess victim(db);
    ASSERT_GT(survivor.Port(), 0);
    ASSERT_GT(victim.Port(), 0);
    constexpr int kNotes = 20;
    // What each client last had acknowledged per note, and the one save cut off by the kill.
    std::vector<std::string> savedA(kNotes), savedB(kNotes);
    std::string inFlight;
    int inFlightNote = -1;
    std::atomic<int> acknowledgedA = 0;
    std::atomic<bool> stop = false;
    std::thread killer([&] {
        while (acknowledgedA < 300 && !stop)
            std::this_thread::yield();
        victim.Kill();
    });
    std::thread throughB([&] {
        for (int i = 0; !stop; ++i) {
            const std::string data = "QkJC" + std::to_string(i) + "=";
            const auto reply = Save(survivor.Port(), "b" + std::to_string(i % kNotes) + ".rtf", data);
            EXPECT_EQ(reply, "OK\n") << i;
            if (reply == "OK\n")
                savedB[static_cast<std::size_t>(i % kNotes)] = data;
        }
    });
    for (int i = 0; i < 100000; ++i) {
        const std::string data = "QUFB" + std::to_string(i) + "=";
        const int note = i % kNotes;
        if (Save(victim.Port(), "a" + std::to_string(note) + ".rtf", data) != "OK\n") {
            inFlight = data;
            inFlightNote = note;
            break;
        }
        savedA[static_cast<std::size_t>(note)] = data;
        ++acknowledgedA;
    }
    stop = true;
    killer.join();
    throughB.join();
    ASSERT_GE(acknowledgedA, 300);

    const auto expect = [](const std::string& data) { return "OK " + std::to_string(data.size()) + "\n" + data; };
    for (int n = 0; n < kNotes; ++n) {
        const std::string a = Open(survivor.Port(), "/a" + std::to_string(n) + ".rtf");
        if (n == inFlightNote && a != expect(savedA[static_cast<std::size_t>(n)]))
            EXPECT_EQ(a, expect(inFlight)) << n;
        else
            EXPECT_EQ(a, expect(savedA[static_cast<std::size_t>(n)])) << n;
        EXPECT_EQ(Open(survivor.Port(), "/b" + std::to_string(n) + ".rtf"), expect(savedB[static_cast<std::size_t>(n)]))
            << n;
    }
}
