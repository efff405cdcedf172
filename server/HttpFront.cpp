#include "HttpFront.h"

#include <boost/asio/strand.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>

namespace qb::server {
namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

constexpr int kBacklog = 4096;
// Files the process needs besides its connections: the database and its journal, logs,
// the connections being refused with 503.
constexpr std::size_t kReservedFiles = 128;
constexpr std::chrono::milliseconds kAcceptRetry{50};
constexpr std::size_t kAcceptBurst = 256;

// The cap, lowered so that the connections it admits cannot run the process out of files.
std::size_t FittedCap(std::size_t wanted)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::max<std::size_t>(wanted, 1);
    const auto files = static_cast<std::size_t>(limit.rlim_cur);
    const std::size_t room = files > 2 * kReservedFiles ? files - kReservedFiles : files / 2;
    return std::max<std::size_t>(std::min(wanted, room), 1);
}

std::string Describe(const boost::system::error_code& ec)
{
    if (ec == asio::error::address_in_use)
        return "the address is already in use";
    if (ec == asio::error::access_denied)
        return "permission denied";
    if (ec.value() == EADDRNOTAVAIL)
        return "the address is not one of this machine's";
    return ec.message();
}

bool OutOfResources(const boost::system::error_code& ec)
{
    return ec == asio::error::no_descriptors || ec == asio::error::no_buffer_space || ec == asio::error::no_memory ||
           ec.value() == ENFILE;
}

} // namespace

HttpFront::HttpFront(const ServerOptions& options, IHttpHandler& handler)
    : m_options(options),
      m_cap(FittedCap(options.maxConnections)),
      m_gate(m_cap),
      m_workers(std::max<std::size_t>(options.workers, 1)),
      m_context{m_options, handler, m_workers},
      m_acceptor(m_io),
      m_retry(m_io)
{
}

HttpFront::~HttpFront()
{
    Stop();
}

int HttpFront::Listen()
{
    boost::system::error_code ec;
    tcp::resolver resolver(m_io);
    const auto found = resolver.resolve(m_options.host, std::to_string(m_options.port),
                                        tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty()) {
        m_error = "the host is not known (" + ec.message() + ")";
        return -1;
    }
    const tcp::endpoint endpoint = found.begin()->endpoint();
    m_acceptor.open(endpoint.protocol(), ec);
    // SO_REUSEADDR lets a restarted server bind past connections in TIME_WAIT; it does not
    // let two servers listen on one address (SO_REUSEPORT would).
    if (!ec)
        m_acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(kBacklog, ec);
    if (!ec)
        m_acceptor.non_blocking(true, ec); // bursts are drained without waiting
    if (ec) {
        m_error = Describe(ec);
        m_acceptor.close(ec);
        return -1;
    }
    return m_acceptor.local_endpoint().port();
}

void HttpFront::Start()
{
    Accept();
    const std::size_t threads = std::max<std::size_t>(m_options.ioThreads, 1);
    for (std::size_t i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { m_io.run(); });
}

void HttpFront::Stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    // I/O first, so that no new request reaches the workers; then the running handlers.
    m_io.stop();
    for (auto& thread : m_threads)
        thread.join();
    m_threads.clear();
    m_workers.join();
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
}

void HttpFront::Accept()
{
    m_acceptor.async_accept(asio::make_strand(m_io), [this](boost::system::error_code ec, tcp::socket socket) {
        OnAccept(ec, std::move(socket));
    });
}

void HttpFront::OnAccept(boost::system::error_code ec, tcp::socket socket)
{
    if (ec == asio::error::operation_aborted)
        return;
    if (ec) {
        if (OutOfResources(ec)) { // out of files: wait for connections to close
            m_retry.expires_after(kAcceptRetry);
            m_retry.async_wait([this](boost::system::error_code waited) {
                if (!waited)
                    Accept();
            });
        } else {
            Accept();
        }
        return;
    }
    Admit(std::move(socket));
    // Take every connection already waiting before serving requests again: accepting one
    // per turn of the loop left the last of a burst of clients waiting for seconds.
    for (std::size_t i = 0; i < kAcceptBurst; ++i) {
        tcp::socket next(asio::make_strand(m_io));
        m_acceptor.accept(next, ec);
        if (ec)
            break; // none waiting (would block), or an error the next async accept reports
        Admit(std::move(next));
    }
    Accept();
}

void HttpFront::Admit(tcp::socket socket)
{
    // Replies go out as header and body writes: without this, Nagle and delayed ACKs add
    // 40 ms to every request.
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    if (auto ticket = m_gate.TryEnter())
        std::make_shared<HttpConnection>(std::move(socket), m_context, std::move(ticket))->Start();
    else
        std::make_shared<HttpConnection>(std::move(socket), m_context, std::nullopt)->RefuseBusy();
}

} // namespace qb::server
