#pragma once
// What the HTTP front hands its application, and what it gets back.

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb::server {

struct HttpRequest {
    std::string method;
    std::string target;
    std::string body; // always complete: a cut-off body never reaches a handler
    std::chrono::steady_clock::time_point started; // the request's first byte
};

struct HttpAnswer {
    unsigned status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool close = false; // close the connection once it is sent
};

class IHttpHandler {
public:
    virtual ~IHttpHandler() = default;
    // A complete request, on a worker thread: may block on storage.
    virtual HttpAnswer Answer(const HttpRequest& request) = 0;
    // A request the front ended itself (too large, incomplete, malformed); request.body is
    // empty. For the log; called on an I/O thread, so it must not block.
    virtual void Unanswered(const HttpRequest& request, std::string_view outcome) = 0;
};

} // namespace qb::server
