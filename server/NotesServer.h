#pragma once
// The HTTP side: POST on /Buffer/Buffer0000/bin/ + a script name, GET /UserGuide.htm,
// 404 for everything else. Only complete bodies reach the service (HttpFront reads them,
// capped and under deadlines); never a form decoder.

#include "NotesService.h"
#include "ServerOptions.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace qb::server {

class HttpFront;
class IHttpHandler;

class NotesServer {
public:
    NotesServer(NotesService& service, ServerOptions options);
    ~NotesServer();
    NotesServer(const NotesServer&) = delete;
    NotesServer& operator=(const NotesServer&) = delete;

    // Binds and serves on threads of its own; the bound port, or -1 when binding failed
    // (Error() tells why).
    int Start();
    // Serves until Stop, blocking the calling thread; false when binding failed.
    bool Run();
    void Stop();
    int Port() const { return m_port; }
    // Why Start failed, e.g. "the address is already in use".
    const std::string& Error() const { return m_error; }
    std::size_t OpenConnections() const;

private:
    NotesService& m_service;
    ServerOptions m_options;
    std::unique_ptr<IHttpHandler> m_handler;
    std::unique_ptr<HttpFront> m_front;
    int m_port = -1;
    std::string m_error;
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_serving = false;
};

} // namespace qb::server
