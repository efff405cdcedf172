#pragma once
// A PostgreSQL cluster of the tests' own: initdb in a temporary folder, the server started
// with pg_ctl listening only on a unix socket in that folder, stopped and removed at the
// end. Never a system cluster. Run as root, it runs as "nobody": PostgreSQL refuses root.

#include "TempDir.h"

#include <mutex>
#include <string>

namespace qb::testing {

class PgCluster {
public:
    // Throws std::runtime_error, with the server's log, when the cluster cannot start.
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // A new empty database; its conninfo.
    std::string CreateDatabase();
    std::string Conninfo(const std::string& database) const;
    // A new empty database whose tables live in directory (a tablespace of its own there);
    // its conninfo. Drop it with DropDatabaseIn once nothing is connected to it.
    std::string CreateDatabaseIn(const std::string& directory);
    void DropDatabaseIn(const std::string& conninfo);

private:
    // Runs a PostgreSQL program (as the cluster's user); false when it fails.
    bool Run(const std::string& program, const std::string& arguments) const;

    TempDir m_dir;
    std::string m_bin;
    std::string m_runAs; // prefix running a command as the unprivileged user, or empty
    std::string m_socketDir;
    std::string m_data;
    int m_port = 5432; // names the socket file only: nothing listens on TCP
    bool m_started = false;
    std::mutex m_mutex;
    int m_databases = 0;
};

// The one cluster of this test run, started on first use and stopped when the run ends.
PgCluster& TestCluster();

} // namespace qb::testing
