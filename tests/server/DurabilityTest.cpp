// Every save that was answered "OK" survives the server being killed outright.

#include "ServerFixture.h"
#include "ServerProcess.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace qb::testing;

namespace {

std::string Body(const std::string& rest)
{
    return "ID=" + Token("kiwi") + rest;
}

} // namespace

TEST(Durability, AcknowledgedSavesSurviveSigkill)
{
    TempDir dir;
    const std::string db = FreshDatabase(dir);
    std::vector<std::string> saved;
    std::string inFlight; // the save cut off by the kill may or may not have been stored
    std::size_t inFlightNote = 0;
    {
        ServerProcess server(db);
        ASSERT_GT(server.Port(), 0);
        std::atomic<int> acknowledged = 0;
        // Kills the server in the middle of the stream of saves, once a good number landed.
        std::thread killer([&] {
            while (acknowledged < 200)
                std::this_thread::yield();
            server.Kill();
        });
        for (int i = 0; i < 100000; ++i) {
            const std::string data = "Tm90ZS" + std::to_string(i) + "=";
            const auto reply = PostRaw(server.Port(), "/Buffer/Buffer0000/bin/qbsave.pl",
                                       Body("&DIR=&FILE=note" + std::to_string(i % 50) + ".rtf&LOCK=0&DATA=" + data));
            if (reply.body != "OK\n") {
                inFlight = data;
                inFlightNote = static_cast<std::size_t>(i % 50);
                break;
            }
            if (saved.size() < 50)
                saved.resize(50);
            saved[static_cast<std::size_t>(i % 50)] = data;
            ++acknowledged;
        }
        acknowledged = 1 << 30; // lets the killer go if the server stopped early
        killer.join();
    }
    ASSERT_FALSE(saved.empty());

    ServerProcess restarted(db);
    ASSERT_GT(restarted.Port(), 0);
    for (std::size_t n = 0; n < saved.size(); ++n) {
        if (saved[n].empty())
            continue;
        const auto reply = PostRaw(restarted.Port(), "/Buffer/Buffer0000/bin/qbopen.pl",
                                   Body("&FILE=/note" + std::to_string(n) + ".rtf&LOCK="));
        const std::string expected = "OK " + std::to_string(saved[n].size()) + "\n" + saved[n];
        if (n == inFlightNote && reply.body != expected)
            EXPECT_EQ(reply.body, "OK " + std::to_string(inFlight.size()) + "\n" + inFlight) << n;
        else
            EXPECT_EQ(reply.body, expected) << n;
    }
}
