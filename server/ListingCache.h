#pragma once
// Recent listing replies, so that the most frequent request skips the database. Replies are
// kept under the folder they list (its id), and the paths that led there under the path
// text: a folder reached by many spellings of its path is kept once. Everything is counted
// in bytes against one bound; the least recently used entries leave first.
// Every change an account commits moves its generation on, which retires all its entries.
// A server that is the one writer of its storage counts the generations here (Generation,
// Changed); servers sharing a database read the count the database keeps with every change.
// Either way a reply is stored under a generation read no later than its database read, and
// found only under that same generation, so a change that commits meanwhile can never leave
// a stale reply behind.

#include "NoteStore.h"

#include <array>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace qb::server {

class ListingCache {
public:
    static constexpr std::size_t kDefaultMaxBytes = 32 * 1024 * 1024;
    // What an entry costs besides its key and value: list node, map slot, bookkeeping.
    static constexpr std::size_t kEntryOverhead = 160;

    explicit ListingCache(std::size_t maxBytes = kDefaultMaxBytes) : m_maxBytes(maxBytes) {}

    std::uint64_t Generation(const std::string& account);
    void Changed(const std::string& account);
    // The folder a path led to, and that folder's listing, both stored under generation.
    std::optional<NodeId> FindFolder(const std::string& account, const std::string& path, std::uint64_t generation);
    std::optional<std::string> FindListing(const std::string& account, NodeId folder, std::uint64_t generation);
    // Keeps the path's folder and the folder's listing, unless Changed has moved the
    // account past generation meanwhile.
    void Store(const std::string& account, const std::string& path, NodeId folder, std::uint64_t generation,
               const std::string& listing);

    // The bytes the entries account for; never above MaxBytes().
    std::size_t Bytes() const;
    std::size_t MaxBytes() const { return m_maxBytes; }

private:
    // Generations live in a fixed table indexed by a hash of the account: the table never
    // grows with the accounts seen, and two accounts sharing a slot only retire each
    // other's entries early.
    static constexpr std::size_t kSlots = 1024;
    static std::size_t Slot(const std::string& account);

    struct Entry {
        std::string key;
        std::size_t slot;
        std::uint64_t generation;
        std::string value; // a listing, or a folder id in decimal
        std::size_t Bytes() const { return key.size() + value.size() + kEntryOverhead; }
    };
    using Entries = std::list<Entry>; // most recently used first

    const Entry* Find(const std::string& key, std::size_t slot, std::uint64_t generation);
    void Put(std::string key, std::size_t slot, std::uint64_t generation, std::string value);

    std::size_t m_maxBytes;
    mutable std::mutex m_mutex;
    std::array<std::uint64_t, kSlots> m_generations{};
    Entries m_entries;
    std::unordered_map<std::string, Entries::iterator> m_index;
    std::size_t m_bytes = 0;
};

} // namespace qb::server
