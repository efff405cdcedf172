#pragma once
// The event-driven HTTP front: one listening socket (no SO_REUSEPORT: a second server on
// the same address fails to start), a few I/O threads that carry every connection, and a
// pool of worker threads for the handler, whose storage work may block.

#include "ConnectionGate.h"
#include "HttpConnection.h"
#include "HttpTypes.h"
#include "ServerOptions.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>

#include <string>
#include <thread>
#include <vector>

namespace qb::server {

class HttpFront {
public:
    HttpFront(const ServerOptions& options, IHttpHandler& handler);
    ~HttpFront();
    HttpFront(const HttpFront&) = delete;
    HttpFront& operator=(const HttpFront&) = delete;

    // Binds and listens; the bound port, or -1 with Error() telling why.
    int Listen();
    // Serves on threads of its own until Stop.
    void Start();
    // Stops accepting and serving, waits for running handlers; open connections close when
    // the front is destroyed.
    void Stop();

    const std::string& Error() const { return m_error; }
    std::size_t OpenConnections() const { return m_gate.Open(); }
    std::size_t ConnectionCap() const { return m_cap; }

private:
    void Accept();
    void OnAccept(boost::system::error_code ec, boost::asio::ip::tcp::socket socket);
    void Admit(boost::asio::ip::tcp::socket socket);

    ServerOptions m_options;
    std::size_t m_cap;
    ConnectionGate m_gate;
    boost::asio::thread_pool m_workers;
    FrontContext m_context;
    // Declared after what the connections use: destroying it destroys them.
    boost::asio::io_context m_io;
    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_retry;
    std::vector<std::thread> m_threads;
    std::string m_error;
    bool m_stopped = false;
};

} // namespace qb::server
