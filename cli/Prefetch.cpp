#include "Prefetch.h"

#include "app/ClientApp.h"

namespace qb::cli {

CPrefetch::CPrefetch(std::vector<std::string> paths, const ServerAddress& server, const CClientApp& like,
                     int workers, std::size_t ahead)
    : m_paths(std::move(paths)), m_ahead(ahead), m_results(m_paths.size())
{
    // Sessions are made and ended on this thread; only requests run on the workers.
    for (int i = 0; i < workers; ++i) {
        auto app = std::make_unique<CClientApp>();
        app->SetAccount(like.Account());
        app->SetIdentity(like.Identity());
        app->SetIniPath(like.IniPath());
        if (app->CreateSession(server))
            m_apps.push_back(std::move(app));
    }
    for (auto& app : m_apps)
        m_threads.emplace_back([this, client = app.get()] { Work(*client); });
}

CPrefetch::~CPrefetch()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void CPrefetch::Work(CClientApp& app)
{
    CRemoteTree tree(app);
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || m_next >= m_paths.size() || m_next < m_taken + m_ahead; });
            if (m_stopping || m_next >= m_paths.size())
                return;
            index = m_next++;
        }
        auto fetched = tree.Fetch(m_paths[index]);
        {
            std::lock_guard lock(m_mutex);
            m_results[index].emplace(std::move(fetched));
        }
        m_changed.notify_all();
    }
}

RemoteResult<std::string> CPrefetch::Take(std::size_t index)
{
    std::unique_lock lock(m_mutex);
    if (m_threads.empty())
        return Fail(RemoteFailure{"Cannot init socket.", false});
    m_changed.wait(lock, [&] { return m_results[index].has_value(); });
    RemoteResult<std::string> result = std::move(*m_results[index]);
    m_results[index].reset();
    m_taken = index + 1;
    lock.unlock();
    m_changed.notify_all();
    return result;
}

} // namespace qb::cli
