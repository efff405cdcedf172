#include "CountReads.h"

#include <algorithm>

namespace qb::server {

std::uint64_t CountReads::Read(const std::string& account)
{
    std::unique_lock lock(m_mutex);
    if (!m_gathering)
        m_gathering = std::make_shared<Round>();
    const std::shared_ptr<Round> round = m_gathering;
    if (std::find(round->accounts.begin(), round->accounts.end(), account) == round->accounts.end())
        round->accounts.push_back(account);
    m_finished.wait(lock, [&] { return round->done || !m_running; });
    if (!round->done) {
        // No query is out and this round has not begun: whoever gets here first runs it for
        // everyone in it.
        m_running = true;
        m_gathering.reset();
        lock.unlock();
        Counts counts;
        std::exception_ptr failure;
        try {
            counts = m_query(round->accounts);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        round->counts = std::move(counts);
        round->failure = failure;
        round->done = true;
        m_running = false;
        m_finished.notify_all();
    }
    if (round->failure)
        std::rethrow_exception(round->failure);
    const auto it = round->counts.find(account);
    return it == round->counts.end() ? 0 : it->second;
}

} // namespace qb::server
