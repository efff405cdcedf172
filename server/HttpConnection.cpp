#include "HttpConnection.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/string.hpp>

#include <limits>

namespace qb::server {
namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

constexpr std::size_t kFirstRead = 4096;
constexpr std::chrono::seconds kLinger{2};

// The connection broke or the client closed it: anything but a parse error.
bool ClientLeft(const beast::error_code& ec)
{
    if (!ec)
        return false;
    return ec == http::error::end_of_stream || ec == http::error::partial_message ||
           ec.category() != make_error_code(http::error::end_of_stream).category();
}

} // namespace

HttpConnection::HttpConnection(asio::ip::tcp::socket socket, const FrontContext& front,
                               std::optional<ConnectionGate::Ticket> ticket)
    : m_stream(std::move(socket)), m_front(front), m_ticket(std::move(ticket))
{
}

void HttpConnection::Start()
{
    asio::dispatch(m_stream.get_executor(), [self = shared_from_this()] { self->WaitForRequest(); });
}

void HttpConnection::RefuseBusy()
{
    asio::dispatch(m_stream.get_executor(), [self = shared_from_this()] {
        HttpAnswer answer;
        answer.status = 503;
        answer.body = "ERROR: The server is busy. Please try again shortly.\n";
        answer.close = true;
        self->Send(std::move(answer), false);
    });
}

void HttpConnection::WaitForRequest()
{
    if (m_buffer.size() > 0) { // the next request came along with the last one
        ReadHeader();
        return;
    }
    // The header deadline starts with the request's first byte; until then the idle one.
    m_stream.expires_after(m_front.options.idleTimeout);
    m_stream.async_read_some(m_buffer.prepare(kFirstRead), [self = shared_from_this()](ErrorCode ec, std::size_t n) {
        if (ec)
            return; // idle past the deadline, or gone: nothing to say
        self->m_buffer.commit(n);
        self->ReadHeader();
    });
}

void HttpConnection::ReadHeader()
{
    m_started = std::chrono::steady_clock::now();
    m_parser.emplace();
    m_parser->header_limit(static_cast<std::uint32_t>(m_front.options.maxHeaderBytes));
    // Judged by hand once the header is in, so that an over-long body is answered. (Not
    // boost::none: this Beast compares a length with it and finds every length too long.)
    m_parser->body_limit(std::numeric_limits<std::uint64_t>::max());
    m_stream.expires_after(m_front.options.headerTimeout);
    http::async_read_header(m_stream, m_buffer, *m_parser,
                            [self = shared_from_this()](ErrorCode ec, std::size_t) { self->OnHeader(ec); });
}

void HttpConnection::OnHeader(ErrorCode ec)
{
    if (ec == beast::error::timeout)
        return Abandon("ABANDONED: the header did not arrive in time");
    if (ClientLeft(ec))
        return Abandon("ABANDONED: the client left during the header");
    if (ec == http::error::header_limit)
        return Refuse(431, "ERROR: The request header is too large.\n", "ERROR: The request header is too large.");
    if (ec)
        return Refuse(400, "ERROR: The request is not valid HTTP.\n", "ERROR: The request is not valid HTTP.");

    auto& request = m_parser->get();
    m_version = request.version();
    const auto declared = m_parser->content_length();
    if (declared && *declared > m_front.options.maxBodyBytes)
        return RefuseTooLarge(); // before a byte of it is read
    m_parser->body_limit(m_front.options.maxBodyBytes); // a chunked body is counted as it comes
    m_stream.expires_after(m_front.options.bodyTimeout);
    if (m_parser->is_done())
        return Dispatch();
    if (beast::iequals(request[http::field::expect], "100-continue")) {
        m_continue = {http::status::continue_, m_version};
        http::async_write(m_stream, m_continue, [self = shared_from_this()](ErrorCode ec, std::size_t) {
            if (ec)
                return self->Abandon("ABANDONED: the client left before sending the body");
            self->ReadBody();
        });
        return;
    }
    ReadBody();
}

void HttpConnection::ReadBody()
{
    http::async_read(m_stream, m_buffer, *m_parser, [self = shared_from_this()](ErrorCode ec, std::size_t) {
        self->OnBody(ec);
    });
}

void HttpConnection::OnBody(ErrorCode ec)
{
    if (ec == http::error::body_limit)
        return RefuseTooLarge();
    if (ec == beast::error::timeout)
        return Abandon("ABANDONED: the body did not arrive in time");
    if (ClientLeft(ec))
        return Abandon("ABANDONED: the client left before the whole body arrived");
    if (ec)
        return Refuse(400, "ERROR: The request body is not valid HTTP.\n", "ERROR: The request body is not valid HTTP.");
    Dispatch();
}

void HttpConnection::Dispatch()
{
    m_stream.expires_never(); // the handler's time is not the client's
    const bool keepAlive = m_parser->get().keep_alive();
    HttpRequest request = Head();
    request.body = std::move(m_parser->get().body());
    m_parser.reset();
    asio::post(m_front.workers, [self = shared_from_this(), request = std::move(request), keepAlive] {
        HttpAnswer answer;
        try {
            answer = self->m_front.handler.Answer(request);
        } catch (const std::exception&) {
            answer = HttpAnswer{};
            answer.status = 500;
            answer.body = "ERROR: The server could not complete the request.\n";
            answer.close = true;
        }
        asio::post(self->m_stream.get_executor(), [self, answer = std::move(answer), keepAlive]() mutable {
            self->Send(std::move(answer), keepAlive);
        });
    });
}

void HttpConnection::Send(HttpAnswer answer, bool keepAlive)
{
    m_reply = {};
    m_reply.version(m_version);
    m_reply.result(answer.status);
    m_reply.set(http::field::content_type, answer.contentType);
    for (const auto& [name, value] : answer.headers)
        m_reply.set(name, value);
    m_reply.body() = std::move(answer.body);
    m_reply.keep_alive(keepAlive && !answer.close);
    m_reply.prepare_payload();
    m_stream.expires_after(m_front.options.writeTimeout);
    http::async_write(m_stream, m_reply, [self = shared_from_this()](ErrorCode ec, std::size_t) { self->OnSent(ec); });
}

void HttpConnection::OnSent(ErrorCode ec)
{
    if (ec)
        return;
    if (!m_reply.keep_alive())
        return Linger();
    WaitForRequest();
}

void HttpConnection::Refuse(unsigned status, std::string text, std::string_view outcome)
{
    m_front.handler.Unanswered(Head(), outcome);
    m_parser.reset();
    HttpAnswer answer;
    answer.status = status;
    answer.headers = {{"Cache-Control", "no-cache"}};
    answer.body = std::move(text);
    answer.close = true;
    Send(std::move(answer), false);
}

void HttpConnection::RefuseTooLarge()
{
    // 200 with the refusal text: the client shows what follows "ERROR: ".
    Refuse(200, "ERROR: The request is too large for the server.\n", "ERROR: The request is too large for the server.");
}

void HttpConnection::Abandon(std::string_view outcome)
{
    if (m_parser && m_parser->is_header_done())
        m_front.handler.Unanswered(Head(), outcome);
    m_parser.reset();
    ErrorCode ignored;
    m_stream.socket().close(ignored);
}

void HttpConnection::Linger()
{
    ErrorCode ignored;
    m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    m_stream.expires_after(kLinger);
    Drain();
}

void HttpConnection::Drain()
{
    m_stream.async_read_some(asio::buffer(m_drain), [self = shared_from_this()](ErrorCode ec, std::size_t) {
        if (!ec)
            self->Drain();
    });
}

HttpRequest HttpConnection::Head() const
{
    HttpRequest request;
    request.started = m_started;
    if (m_parser && m_parser->is_header_done()) {
        const auto& message = m_parser->get();
        request.method = std::string(message.method_string());
        request.target = std::string(message.target());
    }
    return request;
}

} // namespace qb::server
