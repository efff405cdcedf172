#include "Retention.h"

#include <cstdio>
#include <limits>

namespace qb::server {

Retention::Retention(INoteStore& store, RetentionOptions options, Clock clock)
    : m_store(store), m_options(options), m_clock(std::move(clock))
{
}

bool Retention::PruneBatch(int batch)
{
    // A limit of 0 drops what an earlier run kept, too.
    constexpr std::int64_t kEverything = std::numeric_limits<std::int64_t>::max();
    const std::int64_t before = m_clock() - m_options.maxAgeSeconds;
    const std::int64_t versionsBefore = m_options.KeepsVersions() ? before : kEverything;
    const std::int64_t trashBefore = m_options.KeepsTrash() ? before : kEverything;
    bool more = false;
    m_store.Transact(true, [&](IStoreTransaction& tx) {
        more = tx.DropVersionsBefore(versionsBefore, batch) == batch || more;
        return std::string();
    });
    m_store.Transact(true, [&](IStoreTransaction& tx) {
        more = tx.DropTrashBefore(trashBefore, batch) == batch || more;
        return std::string();
    });
    if (!m_options.KeepsTrash())
        return more;
    std::vector<std::string> accounts;
    m_store.Transact(false, [&](IStoreTransaction& tx) {
        accounts = tx.AccountsOver(m_options.accountBytes);
        return std::string();
    });
    for (const auto& account : accounts) {
        m_store.Transact(true, [&](IStoreTransaction& tx) {
            more = tx.TrimAccount(account, m_options.accountBytes, batch) == batch || more;
            return std::string();
        });
    }
    return more;
}

void Retention::PruneAll()
{
    while (PruneBatch()) {
    }
}

RetentionThread::RetentionThread(Retention& retention, std::chrono::milliseconds interval,
                                 std::chrono::milliseconds pause)
    : m_retention(retention), m_interval(interval), m_pause(pause), m_thread([this] { Loop(); })
{
}

RetentionThread::~RetentionThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool RetentionThread::Wait(std::chrono::milliseconds time)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, time, [this] { return m_stop; });
}

void RetentionThread::Loop()
{
    while (Wait(m_interval)) {
        try {
            while (m_retention.PruneBatch() && Wait(m_pause)) {
            }
        } catch (const std::exception& e) {
            // The storage failed (full disk, busy): the next round tries again.
            std::fprintf(stderr, "quillbox-server: pruning: %s\n", e.what());
        }
    }
}

} // namespace qb::server
