#pragma once
// How the HTTP front listens, and the limits it holds every connection to.

#include <chrono>
#include <cstddef>
#include <string>

namespace qb::server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080; // 0 picks a free port
    std::size_t maxBodyBytes = 8 * 1024 * 1024;
    std::size_t maxHeaderBytes = 16 * 1024;
    bool log = true;
    std::size_t workers = 8;   // threads running handlers (blocking storage work)
    std::size_t ioThreads = 1; // threads reading and writing connections
    // Past this many open connections a new one is answered 503 and closed. Lowered to fit
    // the process's open-file limit.
    std::size_t maxConnections = 4096;
    // Total deadlines, not per read: a client trickling one byte a second is cut off too.
    std::chrono::milliseconds headerTimeout{10'000}; // from the request's first byte
    std::chrono::milliseconds bodyTimeout{60'000};   // from the end of the header
    std::chrono::milliseconds idleTimeout{5'000};    // waiting for a request's first byte
    std::chrono::milliseconds writeTimeout{30'000};  // sending one reply
};

} // namespace qb::server
