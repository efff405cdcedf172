#pragma once
// Counts the open connections of the front against its cap. A Ticket holds one place for
// as long as it lives.

#include <atomic>
#include <cstddef>
#include <optional>

namespace qb::server {

class ConnectionGate {
public:
    explicit ConnectionGate(std::size_t limit) : m_limit(limit) {}

    class Ticket {
    public:
        explicit Ticket(ConnectionGate& gate) : m_gate(&gate) {}
        Ticket(Ticket&& other) noexcept : m_gate(other.m_gate) { other.m_gate = nullptr; }
        Ticket& operator=(Ticket&&) = delete;
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket()
        {
            if (m_gate)
                m_gate->m_open.fetch_sub(1);
        }

    private:
        ConnectionGate* m_gate;
    };

    // A place, or nothing when the cap is reached.
    std::optional<Ticket> TryEnter()
    {
        std::size_t open = m_open.load();
        do {
            if (open >= m_limit)
                return std::nullopt;
        } while (!m_open.compare_exchange_weak(open, open + 1));
        return std::optional<Ticket>(std::in_place, *this);
    }

    std::size_t Open() const { return m_open.load(); }

private:
    std::atomic<std::size_t> m_open = 0;
    const std::size_t m_limit;
};

} // namespace qb::server
