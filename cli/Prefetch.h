#pragma once
// Note texts fetched ahead of the one being written, on a few connections of their own:
// an export waits on the server far more than it works, and the server answers several
// requests at once. Each worker has its own client object (session, token sealer), so no
// request channel is shared between threads. Results are taken in order.

#include "app/HttpChannel.h"
#include "app/RemoteTree.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qb {
class CClientApp;
}

namespace qb::cli {

class CPrefetch {
public:
    // The workers reach server as the given client does (account, identity, settings file
    // with its certificates); at most `ahead` texts wait.
    CPrefetch(std::vector<std::string> paths, const ServerAddress& server, const CClientApp& like, int workers,
              std::size_t ahead);
    ~CPrefetch();
    CPrefetch(const CPrefetch&) = delete;
    CPrefetch& operator=(const CPrefetch&) = delete;

    // The fetch of paths[index], waiting for it; each index once, in increasing order.
    RemoteResult<std::string> Take(std::size_t index);

private:
    void Work(CClientApp& app);

    std::vector<std::string> m_paths;
    std::size_t m_ahead;
    std::vector<std::unique_ptr<CClientApp>> m_apps;
    std::vector<std::optional<RemoteResult<std::string>>> m_results;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;  // the next index a worker fetches
    std::size_t m_taken = 0; // the next index Take hands out
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace qb::cli
