#pragma once
// The HTTP pieces behind the request channel, on libcurl: a session for the whole run and
// one blocking request to a server address. A transfer hands back its status and the whole
// reply body; reading the reply is the reply object's job.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

typedef void CURL;
struct curl_slist;

namespace qb {

struct ServerAddress {
    std::string host = "127.0.0.1";
    int port = 8080;
    bool secure = false; // https: the server's certificate is checked, never skipped
};

// "HOST:PORT", "HOST" (port 80) or "[v6]:PORT", each optionally after "http://", or
// "https://HOST[:PORT]" (port 443); nothing when malformed.
std::optional<ServerAddress> ParseServerAddress(const std::string& text);
// "http://HOST:PORT" or "https://HOST:PORT", for requests and for messages.
std::string ServerUrl(const ServerAddress& server);

class CInternetSession {
public:
    explicit CInternetSession(std::string userAgent);
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    bool IsOpen() const { return m_open; }
    const std::string& UserAgent() const { return m_userAgent; }

    // Adds the certificates of a PEM file to the system's store for https servers; false
    // (and only the system's store) when the file cannot be read or holds no certificate.
    bool AddTrustedCertificates(const std::string& pemPath);

    long connectTimeoutSeconds = 10;
    long stallSeconds = 60; // a reply that sends nothing for this long fails
    // Called while a transfer runs, so the window can repaint without taking input.
    std::function<void()> pump;

private:
    friend class CHttpRequest;
    std::string m_userAgent;
    std::string m_trustBundle; // system store plus added certificates; empty: the system's own
    bool m_open = false;
};

// How a transfer ended: the status and body when it completed; otherwise curl's own words.
struct TransferResult {
    enum class Outcome {
        Completed,
        Failed,              // any other network failure: sending, receiving, a reset connection
        CannotConnect,       // refused, unreachable, no such host, or no connection in time
        TimedOut,            // connected, then nothing moved either way for the stall time
        Cancelled,           // the caller asked it to stop
        CertificateRejected, // an https server the trusted store does not vouch for
    };
    Outcome outcome = Outcome::Failed;
    long status = 0;
    std::string body;
    std::string error; // curl's text when not completed
};

class CHttpRequest {
public:
    // Pieces of a streamed body: returns the next piece, empty at the end.
    using PieceSource = std::function<std::string_view()>;

    CHttpRequest(CInternetSession& session, const ServerAddress& server, std::string path);
    ~CHttpRequest();
    CHttpRequest(const CHttpRequest&) = delete;
    CHttpRequest& operator=(const CHttpRequest&) = delete;

    bool IsValid() const { return m_curl != nullptr; }
    // A request that may be cancelled runs off the window's thread: it never pumps the
    // window's events, and stops at its next progress step once the flag is set.
    void SetCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    const std::string& Path() const { return m_path; }

    // The whole body in one piece, with the form headers.
    TransferResult SendForm(const std::string& body);
    // A body of declared total length whose pieces come from the source; no form headers.
    TransferResult SendStreamed(std::size_t totalLength, PieceSource source);

private:
    TransferResult Perform(::curl_slist* headers);
    static int OnProgress(void* user, std::int64_t, std::int64_t downloaded, std::int64_t, std::int64_t uploaded);

    CInternetSession& m_session;
    std::string m_url;
    std::string m_path;
    CURL* m_curl = nullptr;
    PieceSource m_source;
    std::string_view m_pending;
    std::chrono::steady_clock::time_point m_lastMoved;
    long long m_bytesMoved = -1;
    bool m_stalled = false;
    const std::atomic<bool>* m_cancel = nullptr;
    bool m_cancelled = false;
};

} // namespace qb
