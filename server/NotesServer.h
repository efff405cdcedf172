#pragma once
// The HTTP side: POST on /Buffer/Buffer0000/bin/ + a script name, GET /UserGuide.htm,
// 404 for everything else. Bodies are read by the handler itself (capped), never by a
// form decoder.

#include "NotesService.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace qb::server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080; // 0 picks a free port
    std::size_t maxBodyBytes = 8 * 1024 * 1024;
    bool log = true;
    std::size_t workers = 64; // requests served at once
};

class NotesServer {
public:
    NotesServer(NotesService& service, ServerOptions options);
    ~NotesServer();
    NotesServer(const NotesServer&) = delete;
    NotesServer& operator=(const NotesServer&) = delete;

    // Binds and serves on a thread of its own; the bound port, or -1 when binding failed.
    int Start();
    // Serves on the calling thread until Stop; false when binding failed.
    bool Run();
    void Stop();
    int Port() const { return m_port; }

private:
    void Install();
    int Bind();

    NotesService& m_service;
    ServerOptions m_options;
    std::unique_ptr<httplib::Server> m_http;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_finished = false;
};

} // namespace qb::server
