#pragma once
// One client connection of the HTTP front. It reads a request under total deadlines (idle
// until the first byte, then header, then body) and size limits, hands only a complete
// request to the worker pool, writes the reply back and waits for the next one. A request
// cut off by the client or by a deadline ends the connection without any reply.

#include "ConnectionGate.h"
#include "HttpTypes.h"
#include "ServerOptions.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <memory>
#include <optional>

namespace qb::server {

// What every connection of one front shares; outlives them all.
struct FrontContext {
    const ServerOptions& options;
    IHttpHandler& handler;
    boost::asio::thread_pool& workers;
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(boost::asio::ip::tcp::socket socket, const FrontContext& front,
                   std::optional<ConnectionGate::Ticket> ticket);

    // Serves requests until the client leaves or a deadline passes.
    void Start();
    // Answers 503 at once and closes: the front is at its connection cap.
    void RefuseBusy();

private:
    using ErrorCode = boost::beast::error_code;

    void WaitForRequest();
    void ReadHeader();
    void OnHeader(ErrorCode ec);
    void ReadBody();
    void OnBody(ErrorCode ec);
    void Dispatch();
    void Send(HttpAnswer answer, bool keepAlive);
    void OnSent(ErrorCode ec);
    // Ends a request the front judged itself: logged, answered with text, closed.
    void Refuse(unsigned status, std::string text, std::string_view outcome);
    void RefuseTooLarge();
    // Ends a request that cannot be answered (the client left, a deadline passed): logged
    // when its header had arrived, closed without a reply.
    void Abandon(std::string_view outcome);
    // Closes after a reply that ends the connection: stops sending, then reads and drops
    // what the client still sends for a short while, so that closing with unread data
    // does not reset the connection before the client has read the reply.
    void Linger();
    void Drain();
    HttpRequest Head() const;

    boost::beast::tcp_stream m_stream;
    const FrontContext& m_front;
    std::optional<ConnectionGate::Ticket> m_ticket;
    boost::beast::flat_buffer m_buffer;
    std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> m_parser;
    boost::beast::http::response<boost::beast::http::empty_body> m_continue;
    boost::beast::http::response<boost::beast::http::string_body> m_reply;
    std::chrono::steady_clock::time_point m_started;
    unsigned m_version = 11;
    std::array<char, 4096> m_drain{};
};

} // namespace qb::server
