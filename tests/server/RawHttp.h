#pragma once
// A plain loopback TCP client for the server tests: sends requests as raw bytes (cut short,
// trickled, stalled) and reads what comes back, with every wait bounded.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qb::testing {

struct ParsedReply {
    int status = 0;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    // The value of a header (name in lower case), or "" when it is absent.
    std::string Header(const std::string& name) const
    {
        const auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

// "POST path HTTP/1.1" with Host and Content-Length; extraHeaders are whole lines with CRLF.
std::string PostRequest(const std::string& path, const std::string& body, const std::string& extraHeaders = "");

class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool Connected() const { return m_fd >= 0; }
    // False once the server has closed or reset the connection.
    bool Send(std::string_view bytes);
    void ShutdownWrite();

    struct Received {
        std::string bytes;
        bool closed = false; // the server closed (or reset) the connection
        std::chrono::steady_clock::duration waited{};
    };
    // Everything that arrives until the server closes the connection or the limit passes.
    Received ReadUntilClosed(std::chrono::milliseconds limit);
    // One reply (a 1xx one too), or nothing when the connection closed or the limit passed.
    std::optional<ParsedReply> ReadReply(std::chrono::milliseconds limit);
    // Without waiting: has the server closed the connection?
    bool ClosedByServer();

private:
    // Appends what arrives within the limit to m_pending; false on close or timeout.
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    int m_fd = -1;
    std::string m_pending;
};

} // namespace qb::testing
