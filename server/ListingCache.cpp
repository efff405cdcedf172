#include "ListingCache.h"

namespace qb::server {

std::string ListingCache::Key(const std::string& account, const std::string& dir)
{
    // Accounts hold no NUL, so the pair cannot be confused with another.
    return account + '\0' + dir;
}

std::uint64_t ListingCache::Generation(const std::string& account)
{
    std::lock_guard lock(m_mutex);
    return m_generations[account];
}

void ListingCache::Changed(const std::string& account)
{
    std::lock_guard lock(m_mutex);
    ++m_generations[account];
}

std::optional<std::string> ListingCache::Find(const std::string& account, const std::string& dir)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(Key(account, dir));
    if (it == m_entries.end() || it->second.generation != m_generations[account])
        return std::nullopt;
    return it->second.reply;
}

void ListingCache::Store(const std::string& account, const std::string& dir, std::uint64_t generation,
                         std::string reply)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generations[account])
        return; // something changed while the reply was read
    if (m_entries.size() >= m_maxEntries)
        m_entries.clear(); // simple and bounded; the next listings fill it again
    m_entries[Key(account, dir)] = Entry{generation, std::move(reply)};
}

} // namespace qb::server
