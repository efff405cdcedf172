#pragma once
// A loopback HTTP server for channel tests: records each raw request (request line,
// headers, body) and answers with scripted replies, one per connection.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qb::testing {

struct CapturedRequest {
    std::string requestLine;
    std::vector<std::string> headers; // "Name: value", in order
    std::string body;

    std::string Header(const std::string& name) const; // value, or "" when absent
    bool HasHeader(const std::string& name) const;
};

class CaptureServer {
public:
    CaptureServer();
    ~CaptureServer();
    CaptureServer(const CaptureServer&) = delete;
    CaptureServer& operator=(const CaptureServer&) = delete;

    int Port() const { return m_port; }
    // The reply to the next requests: status and body; a server that never answers when
    // silent is set.
    void Reply(int status, std::string body);
    void StaySilent(bool silent = true) { m_silent = silent; }
    // Each connection is reset once its request is read, in place of a reply.
    void ResetEach() { m_reset = true; }
    // Waits for and returns the next recorded request.
    CapturedRequest Next();

private:
    void Serve();
    void Handle(int fd);

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_silent = false;
    std::atomic<bool> m_reset = false;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<CapturedRequest> m_requests;
    int m_status = 200;
    std::string m_reply = "OK\n";
    std::thread m_thread;
};

} // namespace qb::testing
