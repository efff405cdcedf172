#include "CaptureServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace qb::testing {

std::string CapturedRequest::Header(const std::string& name) const
{
    for (const auto& header : headers) {
        if (header.size() > name.size() && header.compare(0, name.size(), name) == 0 && header[name.size()] == ':') {
            const auto value = header.find_first_not_of(' ', name.size() + 1);
            return value == std::string::npos ? std::string() : header.substr(value);
        }
    }
    return {};
}

bool CapturedRequest::HasHeader(const std::string& name) const
{
    for (const auto& header : headers) {
        if (header.compare(0, name.size() + 1, name + ":") == 0)
            return true;
    }
    return false;
}

CaptureServer::CaptureServer()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listen, 8) != 0)
        throw std::runtime_error("capture server cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

CaptureServer::~CaptureServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

void CaptureServer::Reply(int status, std::string body)
{
    std::lock_guard lock(m_mutex);
    m_status = status;
    m_reply = std::move(body);
}

CapturedRequest CaptureServer::Next()
{
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::seconds(10), [this] { return !m_requests.empty(); });
    if (m_requests.empty())
        return {};
    CapturedRequest request = m_requests.front();
    m_requests.erase(m_requests.begin());
    return request;
}

void CaptureServer::Serve()
{
    while (!m_stop) {
        pollfd waiting{m_listen, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd >= 0) {
            Handle(fd);
            ::close(fd);
        }
    }
}

void CaptureServer::Handle(int fd)
{
    std::string data;
    char buffer[8192];
    std::size_t headerEnd = std::string::npos;
    std::size_t bodyLength = 0;
    auto receive = [&] {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 5000) <= 0)
            return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        data.append(buffer, static_cast<std::size_t>(n));
        return true;
    };
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (!receive())
            return;
    }
    CapturedRequest request;
    std::size_t pos = 0;
    for (bool first = true; pos < headerEnd; first = false) {
        const std::size_t end = data.find("\r\n", pos);
        const std::string line = data.substr(pos, end - pos);
        if (first)
            request.requestLine = line;
        else
            request.headers.push_back(line);
        pos = end + 2;
    }
    const std::string length = request.Header("Content-Length");
    bodyLength = length.empty() ? 0 : std::stoul(length);
    while (data.size() < headerEnd + 4 + bodyLength) {
        if (!receive())
            break;
    }
    request.body = data.substr(headerEnd + 4, bodyLength);

    std::string reply;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        reply = "HTTP/1.1 " + std::to_string(m_status) + " Scripted\r\nContent-Length: " + std::to_string(m_reply.size())
            + "\r\nConnection: close\r\n\r\n" + m_reply;
    }
    m_arrived.notify_all();
    if (m_reset) {
        const linger abort{1, 0}; // close sends a reset, not an orderly end
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        return;
    }
    if (m_silent) {
        while (!m_stop && receive()) {
        }
        return;
    }
    ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
}

} // namespace qb::testing
