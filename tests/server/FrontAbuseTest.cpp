// A normal request is answered promptly while a thousand idle connections and 64 slow
// ("one byte a second") ones are held open against the server.

#include "RawHttp.h"
#include "ServerFixture.h"

#include <sys/resource.h>

#include <atomic>
#include <thread>

using namespace qb::testing;
using namespace std::chrono_literals;

TEST_F(ServerTest, AnswersPromptlyBesideIdleAndTricklingConnections)
{
    constexpr std::size_t kIdle = 1000;
    constexpr std::size_t kSlow = 64;
    constexpr auto kBound = 200ms;
    // Each connection is a file at both ends, both in this process.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = limit.rlim_max;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < 2 * (kIdle + kSlow) + 512)
        GTEST_SKIP() << "the open-file limit (" << limit.rlim_cur << ") is too low for this test";

    qb::server::ServerOptions http;
    http.idleTimeout = 60s; // nobody is cut off while the test runs
    http.headerTimeout = 60s;
    StartServer({}, http);

    std::vector<std::unique_ptr<RawConnection>> idle;
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (std::size_t i = 0; i < kIdle; ++i) {
        idle.push_back(std::make_unique<RawConnection>(m_port));
        ASSERT_TRUE(idle.back()->Connected()) << i;
    }
    const std::string header = "POST /Buffer/Buffer0000/bin/qbdir.pl HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 10\r\n";
    for (std::size_t i = 0; i < kSlow; ++i) {
        slow.push_back(std::make_unique<RawConnection>(m_port));
        ASSERT_TRUE(slow.back()->Send(header.substr(0, 1)));
    }
    const auto openLimit = std::chrono::steady_clock::now() + 30s;
    while (m_server->OpenConnections() < kIdle + kSlow && std::chrono::steady_clock::now() < openLimit)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(m_server->OpenConnections(), kIdle + kSlow);

    std::atomic<bool> done = false;
    std::atomic<std::size_t> trickled = 1;
    std::thread trickler([&] {
        for (std::size_t next = 1; next < header.size() && !done; ++next) {
            const auto due = std::chrono::steady_clock::now() + 1s;
            while (!done && std::chrono::steady_clock::now() < due)
                std::this_thread::sleep_for(10ms);
            for (auto& connection : slow)
                connection->Send(header.substr(next, 1));
            trickled = next + 1;
        }
    });

    std::chrono::steady_clock::duration slowest{};
    int answered = 0;
    const auto until = std::chrono::steady_clock::now() + 2500ms;
    while (std::chrono::steady_clock::now() < until) {
        const auto start = std::chrono::steady_clock::now();
        const HttpReply reply = PostRaw(m_port, "/Buffer/Buffer0000/bin/qbdir.pl", "ID=" + Token("kiwi") + "&DIR=");
        slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, "OK\n");
        ++answered;
        std::this_thread::sleep_for(100ms);
    }
    done = true;
    trickler.join();
    EXPECT_GE(trickled.load(), 3u); // the slow clients did trickle during the requests
    EXPECT_GE(answered, 5);
    EXPECT_LT(slowest, kBound) << std::chrono::duration<double, std::milli>(slowest).count() << " ms";
    EXPECT_GE(m_server->OpenConnections(), kIdle + kSlow); // all still held
}
