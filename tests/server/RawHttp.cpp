#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>

namespace qb::testing {

std::string PostRequest(const std::string& path, const std::string& body, const std::string& extraHeaders)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n" +
           "Content-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

RawConnection::RawConnection(int port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

RawConnection::~RawConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawConnection::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void RawConnection::ShutdownWrite()
{
    ::shutdown(m_fd, SHUT_WR);
}

bool RawConnection::ReadMore(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    pollfd ready{m_fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
        return false;
    char chunk[16384];
    const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (got <= 0)
        return false;
    m_pending.append(chunk, static_cast<std::size_t>(got));
    return true;
}

RawConnection::Received RawConnection::ReadUntilClosed(std::chrono::milliseconds limit)
{
    Received received;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + limit;
    char chunk[16384];
    received.bytes = std::move(m_pending);
    m_pending.clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{m_fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            received.closed = true;
            break;
        }
        received.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    received.waited = std::chrono::steady_clock::now() - start;
    return received;
}

std::optional<ParsedReply> RawConnection::ReadReply(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::size_t headerEnd;
    while ((headerEnd = m_pending.find("\r\n\r\n")) == std::string::npos) {
        if (!ReadMore(deadline))
            return std::nullopt;
    }
    ParsedReply reply;
    const std::string head = m_pending.substr(0, headerEnd);
    const auto space = head.find(' ');
    if (head.compare(0, 5, "HTTP/") != 0 || space == std::string::npos)
        return std::nullopt;
    reply.status = std::atoi(head.c_str() + space + 1);
    std::size_t line = head.find("\r\n");
    while (line != std::string::npos) {
        const std::size_t next = head.find("\r\n", line + 2);
        const std::string field = head.substr(line + 2, next == std::string::npos ? std::string::npos : next - line - 2);
        const auto colon = field.find(':');
        if (colon != std::string::npos) {
            std::string name = field.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            const auto value = field.find_first_not_of(' ', colon + 1);
            reply.headers[name] = value == std::string::npos ? std::string() : field.substr(value);
        }
        line = next;
    }
    m_pending.erase(0, headerEnd + 4);
    const auto length = reply.headers.find("content-length");
    const std::size_t bodySize = length == reply.headers.end() ? 0 : std::stoul(length->second);
    while (m_pending.size() < bodySize) {
        if (!ReadMore(deadline))
            return std::nullopt;
    }
    reply.body = m_pending.substr(0, bodySize);
    m_pending.erase(0, bodySize);
    return reply;
}

bool RawConnection::ClosedByServer()
{
    pollfd ready{m_fd, POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0)
        return false;
    char byte;
    const ssize_t got = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace qb::testing
