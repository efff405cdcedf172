#pragma once
// The HTTP pieces behind the request channel, on libcurl: a session for the whole run, a
// connection per request (the server address) and the request in flight with its reply.
// Requests are blocking; the reply is kept whole and read as lines or raw bytes.

#include "Reply.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

typedef void CURL;
struct curl_slist;

namespace qb {

struct ServerAddress {
    std::string host = "127.0.0.1";
    int port = 8080;
};

// "HOST:PORT", "HOST" (port 80) or "[v6]:PORT"; nothing when malformed.
std::optional<ServerAddress> ParseServerAddress(const std::string& text);

class CInternetSession {
public:
    explicit CInternetSession(std::string userAgent);
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    bool IsOpen() const { return m_open; }
    const std::string& UserAgent() const { return m_userAgent; }

    long connectTimeoutSeconds = 10;
    long stallSeconds = 60; // a reply that sends nothing for this long fails
    // Called while a transfer runs, so the window can repaint without taking input.
    std::function<void()> pump;

private:
    std::string m_userAgent;
    bool m_open = false;
};

class CHttpConnection {
public:
    explicit CHttpConnection(ServerAddress server) : m_server(std::move(server)) {}
    const ServerAddress& Server() const { return m_server; }

private:
    ServerAddress m_server;
};

// What a transfer reports: a platform error (no HTTP status) or the status and its reply.
struct TransferResult {
    bool sent = false;
    long status = 0;
    std::string error; // the platform's text when !sent
};

class CHttpRequest {
public:
    // Pieces of a streamed body: returns the next piece, empty at the end.
    using PieceSource = std::function<std::string_view()>;

    CHttpRequest(CInternetSession& session, const CHttpConnection& connection, std::string path);
    ~CHttpRequest();
    CHttpRequest(const CHttpRequest&) = delete;
    CHttpRequest& operator=(const CHttpRequest&) = delete;

    bool IsValid() const { return m_curl != nullptr; }
    const std::string& Path() const { return m_path; }

    // The whole body in one piece, with the form headers.
    TransferResult SendForm(const std::string& body);
    // A body of declared total length whose pieces come from the source; no form headers.
    TransferResult SendStreamed(std::size_t totalLength, PieceSource source);

    ReplyReader& Reply() { return m_reply; }

private:
    TransferResult Perform(::curl_slist* headers);
    static int OnProgress(void* user, std::int64_t, std::int64_t downloaded, std::int64_t, std::int64_t uploaded);

    CInternetSession& m_session;
    std::string m_url;
    std::string m_path;
    CURL* m_curl = nullptr;
    std::string m_received;
    ReplyReader m_reply;
    PieceSource m_source;
    std::string_view m_pending;
    std::chrono::steady_clock::time_point m_lastMoved;
    long long m_bytesMoved = -1;
};

} // namespace qb
