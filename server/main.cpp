// quillbox-server --listen HOST:PORT --db PATH|CONNINFO [--lock-lease SECONDS] [--max-note-bytes N]
//                 [--max-body N] [--max-connections N] [--header-timeout SECONDS]
//                 [--body-timeout SECONDS] [--idle-timeout SECONDS] [--workers N] [--io-threads N]
//                 [--keep-versions N] [--keep-days N] [--keep-bytes N] [--quiet]

#include "NotesServer.h"
#include "PgConnection.h"
#include "PgStore.h"
#include "SqliteStore.h"

#include <csignal>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <set>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: quillbox-server [--listen HOST:PORT] [--db PATH|postgresql://...] [--lock-lease SECONDS]\n"
    "                       [--max-note-bytes N] [--max-body N] [--max-connections N]\n"
    "                       [--header-timeout SECONDS] [--body-timeout SECONDS]\n"
    "                       [--idle-timeout SECONDS] [--workers N] [--io-threads N]\n"
    "                       [--keep-versions N] [--keep-days N] [--keep-bytes N] [--quiet]\n";

// The options that take a value.
const std::set<std::string> kValueOptions = {
    "--listen",       "--db",           "--lock-lease",   "--max-note-bytes", "--max-body",
    "--max-connections", "--header-timeout", "--body-timeout", "--idle-timeout", "--workers",
    "--io-threads",   "--keep-versions", "--keep-days",    "--keep-bytes",
};

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "quillbox-server: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

bool ParseNumber(const char* text, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end && *end == '\0' && value >= 0;
}

// Every connection is an open file: the soft limit (often 1024) would cap the server far
// below what it can serve.
void RaiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// A path is a SQLite file; a postgresql:// URI or a key=value string is a PostgreSQL
// database, which other server processes may share.
std::unique_ptr<qb::server::INoteStore> OpenStore(const std::string& db, const qb::server::ServerOptions& server)
{
    if (qb::server::IsPostgresTarget(db)) {
        qb::server::PgStoreOptions options;
        options.connections = static_cast<int>(server.workers);
        return std::make_unique<qb::server::PgStore>(db, options);
    }
    qb::server::SqliteStoreOptions options;
    return std::make_unique<qb::server::SqliteStore>(db, options);
}

// The database as the start-up line shows it: no password from a conninfo.
std::string Shown(const std::string& db)
{
    return qb::server::IsPostgresTarget(db) ? "a PostgreSQL database" : "database " + db;
}

} // namespace

int main(int argc, char** argv)
{
    qb::server::ServerOptions serverOptions;
    qb::server::ServiceOptions serviceOptions;
    std::string db = "data/quillbox.db";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quiet") {
            serverOptions.log = false;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!kValueOptions.contains(arg))
            return Usage("unknown option " + arg);
        if (i + 1 >= argc)
            return Usage(arg + " needs a value");
        const char* value = argv[++i];
        long long number = 0;
        const bool isNumber = ParseNumber(value, number);
        if (arg == "--listen") {
            const std::string listen = value;
            const auto colon = listen.rfind(':');
            if (colon == std::string::npos || !ParseNumber(listen.c_str() + colon + 1, number) || number > 65535)
                return Usage("--listen takes HOST:PORT");
            serverOptions.host = listen.substr(0, colon);
            serverOptions.port = static_cast<int>(number);
        } else if (arg == "--db") {
            db = value;
        } else if (arg == "--lock-lease" && isNumber) {
            serviceOptions.lockLeaseSeconds = number;
        } else if (arg == "--max-note-bytes" && isNumber) {
            serviceOptions.maxNoteBytes = static_cast<std::size_t>(number);
        } else if (arg == "--max-body" && isNumber) {
            serverOptions.maxBodyBytes = static_cast<std::size_t>(number);
        } else if (arg == "--max-connections" && isNumber && number > 0) {
            serverOptions.maxConnections = static_cast<std::size_t>(number);
        } else if (arg == "--header-timeout" && isNumber && number > 0) {
            serverOptions.headerTimeout = std::chrono::seconds(number);
        } else if (arg == "--body-timeout" && isNumber && number > 0) {
            serverOptions.bodyTimeout = std::chrono::seconds(number);
        } else if (arg == "--idle-timeout" && isNumber && number > 0) {
            serverOptions.idleTimeout = std::chrono::seconds(number);
        } else if (arg == "--workers" && isNumber && number > 0 && number <= 1024) {
            serverOptions.workers = static_cast<std::size_t>(number);
        } else if (arg == "--io-threads" && isNumber && number > 0 && number <= 64) {
            serverOptions.ioThreads = static_cast<std::size_t>(number);
        } else if (arg == "--keep-versions" && isNumber) {
            serviceOptions.retention.versionsPerNote = number;
        } else if (arg == "--keep-days" && isNumber && number <= 100000) {
            serviceOptions.retention.maxAgeSeconds = number * 24 * 3600;
        } else if (arg == "--keep-bytes" && isNumber) {
            serviceOptions.retention.accountBytes = number;
        } else {
            return Usage("bad value for " + arg + ": " + value);
        }
    }

    RaiseOpenFileLimit();
    try {
        // Notes are private: whatever the server or SQLite creates is for its owner only.
        ::umask(077);
        const auto store = OpenStore(db, serverOptions);
        qb::server::NotesService service(*store, serviceOptions);
        qb::server::Retention retention(*store, serviceOptions.retention,
                                        [] { return static_cast<std::int64_t>(std::time(nullptr)); });
        qb::server::NotesServer server(service, serverOptions);
        // The serving threads inherit a mask without SIGINT and SIGTERM; this thread waits
        // for them and stops the server cleanly.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        const qb::server::RetentionThread pruning(retention);
        if (server.Start() < 0) {
            std::fprintf(stderr, "quillbox-server: cannot listen on %s:%d: %s\n", serverOptions.host.c_str(),
                         serverOptions.port, server.Error().c_str());
            return 1;
        }
        std::fprintf(stderr, "quillbox-server: listening on http://%s:%d with %s (pid %d)\n",
                     serverOptions.host.c_str(), server.Port(), Shown(db).c_str(), static_cast<int>(::getpid()));
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillbox-server: %s\n", e.what());
        return 1;
    }
    return 0;
}
