#pragma once
// Recent listing replies, so that the most frequent request skips the database. Every
// change an account commits moves its generation on, which retires all its entries. A
// reply is stored under the generation read before its database read began, so a change
// that commits meanwhile can never leave a stale reply behind.
// Only for a server that is the one writer of its storage (the SQLite backend).

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace qb::server {

class ListingCache {
public:
    explicit ListingCache(std::size_t maxEntries = 4096) : m_maxEntries(maxEntries) {}

    std::uint64_t Generation(const std::string& account);
    void Changed(const std::string& account);
    std::optional<std::string> Find(const std::string& account, const std::string& dir);
    void Store(const std::string& account, const std::string& dir, std::uint64_t generation, std::string reply);

private:
    struct Entry {
        std::uint64_t generation;
        std::string reply;
    };
    static std::string Key(const std::string& account, const std::string& dir);

    std::size_t m_maxEntries;
    std::mutex m_mutex;
    std::unordered_map<std::string, std::uint64_t> m_generations;
    std::unordered_map<std::string, Entry> m_entries;
};

} // namespace qb::server
