// Change counts read for many callers at once: nobody is answered by a read that began
// before they asked, few reads serve many callers, and a failed read fails its own callers
// only.

#include "server/CountReads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace qb::server;

TEST(CountReads, AReadAlreadyOutNeverAnswersALaterCaller)
{
    std::atomic<std::uint64_t> committed = 0; // the count in the database
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::latch firstOut(1);
    std::atomic<int> queries = 0;
    CountReads reads([&](const std::vector<std::string>& accounts) {
        const std::uint64_t seen = committed; // the query's snapshot
        if (queries++ == 0) {
            firstOut.count_down();
            released.wait();
        }
        CountReads::Counts counts;
        for (const auto& account : accounts)
            counts[account] = seen;
        return counts;
    });
    auto early = std::async(std::launch::async, [&] { return reads.Read("kiwi"); });
    firstOut.wait();
    committed = 1; // a change commits while the first read is out; then the caller asks
    auto late = std::async(std::launch::async, [&] { return reads.Read("kiwi"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let it wait on the first read
    release.set_value();
    EXPECT_EQ(early.get(), 0u);
    EXPECT_EQ(late.get(), 1u);
    EXPECT_EQ(queries, 2);
}

TEST(CountReads, ManyCallersShareFewReadsAndEachGetsItsOwnAccount)
{
    std::atomic<int> queries = 0;
    std::atomic<bool> repeated = false;
    CountReads reads([&](const std::vector<std::string>& accounts) {
        ++queries;
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // a round trip
        CountReads::Counts counts;
        for (const auto& account : accounts) {
            if (!counts.emplace(account, account.size()).second)
                repeated = true;
        }
        counts.erase("none"); // an account that never changed has no row
        return counts;
    });
    const std::vector<std::string> accounts = {"a", "bb", "ccc", "none"};
    constexpr int kThreads = 32;
    constexpr int kReads = 50;
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kReads; ++i) {
                const std::string& account = accounts[static_cast<std::size_t>(t + i) % accounts.size()];
                if (reads.Read(account) != (account == "none" ? 0 : account.size()))
                    ++wrong;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(repeated);
    EXPECT_LT(queries, kThreads * kReads / 4);
}

TEST(CountReads, AFailedReadFailsItsCallersAndTheNextOneRuns)
{
    bool fail = true;
    CountReads reads([&](const std::vector<std::string>& accounts) {
        if (fail)
            throw std::runtime_error("connection lost");
        return CountReads::Counts{{accounts.front(), 7}};
    });
    try {
        reads.Read("kiwi");
        ADD_FAILURE() << "the failure was lost";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "connection lost");
    }
    fail = false;
    EXPECT_EQ(reads.Read("kiwi"), 7u);
}
