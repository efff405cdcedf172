#include "ListingCache.h"

#include <functional>

namespace qb::server {
namespace {

std::string PathKey(const std::string& account, const std::string& path)
{
    // Accounts hold no NUL, so the pair cannot be confused with another; folder keys
    // begin with NUL, so they cannot be confused with paths.
    return account + '\0' + path;
}

std::string FolderKey(NodeId folder)
{
    return '\0' + std::to_string(folder);
}

} // namespace

std::size_t ListingCache::Slot(const std::string& account)
{
    return std::hash<std::string>{}(account) % kSlots;
}

std::uint64_t ListingCache::Generation(const std::string& account)
{
    std::lock_guard lock(m_mutex);
    return m_generations[Slot(account)];
}

void ListingCache::Changed(const std::string& account)
{
    std::lock_guard lock(m_mutex);
    ++m_generations[Slot(account)];
}

const ListingCache::Entry* ListingCache::Find(const std::string& key, std::size_t slot, std::uint64_t generation)
{
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return nullptr;
    const auto entry = it->second;
    // Generations only grow: an entry of a later one (stored by a request that read the
    // count after this one did) is kept for the requests to come.
    if (entry->slot == slot && entry->generation > generation)
        return nullptr;
    if (entry->slot != slot || entry->generation != generation) {
        m_bytes -= entry->Bytes();
        m_entries.erase(entry);
        m_index.erase(it);
        return nullptr;
    }
    m_entries.splice(m_entries.begin(), m_entries, entry);
    return &*entry;
}

void ListingCache::Put(std::string key, std::size_t slot, std::uint64_t generation, std::string value)
{
    if (const auto it = m_index.find(key); it != m_index.end()) {
        m_bytes -= it->second->Bytes();
        m_entries.erase(it->second);
        m_index.erase(it);
    }
    Entry entry{std::move(key), slot, generation, std::move(value)};
    const std::size_t bytes = entry.Bytes();
    if (bytes > m_maxBytes)
        return;
    while (m_bytes + bytes > m_maxBytes) {
        m_bytes -= m_entries.back().Bytes();
        m_index.erase(m_entries.back().key);
        m_entries.pop_back();
    }
    m_entries.push_front(std::move(entry));
    m_index.emplace(m_entries.front().key, m_entries.begin());
    m_bytes += bytes;
}

std::optional<NodeId> ListingCache::FindFolder(const std::string& account, const std::string& path,
                                              std::uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    const Entry* entry = Find(PathKey(account, path), Slot(account), generation);
    if (!entry)
        return std::nullopt;
    return static_cast<NodeId>(std::stoll(entry->value));
}

std::optional<std::string> ListingCache::FindListing(const std::string& account, NodeId folder,
                                                    std::uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    const Entry* entry = Find(FolderKey(folder), Slot(account), generation);
    if (!entry)
        return std::nullopt;
    return entry->value;
}

void ListingCache::Store(const std::string& account, const std::string& path, NodeId folder,
                         std::uint64_t generation, const std::string& listing)
{
    const std::size_t slot = Slot(account);
    std::lock_guard lock(m_mutex);
    if (generation < m_generations[slot] || folder == 0)
        return; // something changed while the reply was read; or no top folder yet
    Put(FolderKey(folder), slot, generation, listing);
    Put(PathKey(account, path), slot, generation, std::to_string(folder));
}

std::size_t ListingCache::Bytes() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

} // namespace qb::server
