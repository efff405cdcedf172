#pragma once
// A fixed number of database connections shared by the worker threads. A caller takes one
// (waiting while all are in use) and gives it back, or drops it when its state is in doubt;
// a dropped connection is replaced by a fresh one the next time one is wanted.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace qb::server {

template <class Connection>
class ConnectionPool {
public:
    using Connect = std::function<std::unique_ptr<Connection>()>;

    ConnectionPool(int size, Connect connect) : m_size(size), m_connect(std::move(connect)) {}

    // A connection made before the pool is used (the first may differ, so callers make them).
    void Add(std::unique_ptr<Connection> connection)
    {
        std::lock_guard lock(m_mutex);
        m_idle.push_back(std::move(connection));
        ++m_open;
    }

    std::unique_ptr<Connection> Acquire()
    {
        std::unique_lock lock(m_mutex);
        m_free.wait(lock, [this] { return !m_idle.empty() || m_open < m_size; });
        if (!m_idle.empty()) {
            auto connection = std::move(m_idle.back());
            m_idle.pop_back();
            return connection;
        }
        ++m_open; // replaces one that was dropped
        lock.unlock();
        try {
            return m_connect();
        } catch (...) {
            lock.lock();
            --m_open;
            lock.unlock();
            m_free.notify_one();
            throw;
        }
    }

    void Release(std::unique_ptr<Connection> connection, bool keep)
    {
        {
            std::lock_guard lock(m_mutex);
            if (keep)
                m_idle.push_back(std::move(connection));
            else
                --m_open;
        }
        connection.reset(); // closes a dropped one outside the lock
        m_free.notify_one();
    }

    // Closes every idle connection; those in use come back as they are released.
    void DropIdle()
    {
        std::vector<std::unique_ptr<Connection>> idle;
        {
            std::lock_guard lock(m_mutex);
            idle.swap(m_idle);
            m_open -= static_cast<int>(idle.size());
        }
        m_free.notify_all();
    }

private:
    const int m_size;
    Connect m_connect;
    std::mutex m_mutex;
    std::condition_variable m_free;
    std::vector<std::unique_ptr<Connection>> m_idle;
    int m_open = 0; // connections idle or in use
};

} // namespace qb::server
