#pragma once
// Change counts that many serving threads ask for at once, read with one query. A query
// answers only the callers that were waiting before it began, so each caller gets counts
// that include every change committed before it asked. While one query runs, the callers
// that arrive gather for the next, so a busy server makes few reads of many accounts.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace qb::server {

class CountReads {
public:
    using Counts = std::unordered_map<std::string, std::uint64_t>; // an account missing: 0
    using Query = std::function<Counts(const std::vector<std::string>& accounts)>;

    explicit CountReads(Query query) : m_query(std::move(query)) {}

    // Throws what the query threw.
    std::uint64_t Read(const std::string& account);

private:
    struct Round {
        std::vector<std::string> accounts; // each once
        Counts counts;
        std::exception_ptr failure;
        bool done = false;
    };

    Query m_query;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::shared_ptr<Round> m_gathering; // not begun yet
    bool m_running = false;             // a query is out
};

} // namespace qb::server
