#include "PgCluster.h"

#include "server/PgConnection.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace qb::testing {
namespace {

namespace fs = std::filesystem;

// The newest installed server's programs (Debian keeps each major version apart).
std::string ServerPrograms()
{
    std::string best;
    int bestVersion = -1;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
        const std::string version = entry.path().filename().string();
        if (!fs::exists(entry.path() / "bin" / "initdb"))
            continue;
        const int number = std::atoi(version.c_str());
        if (number > bestVersion) {
            bestVersion = number;
            best = (entry.path() / "bin").string();
        }
    }
    return best;
}

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::unique_ptr<PgCluster> g_cluster;
std::mutex g_clusterMutex;

// Stops the cluster once every test of the run is over.
class ClusterEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        std::lock_guard lock(g_clusterMutex);
        g_cluster.reset();
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ClusterEnvironment);

} // namespace

PgCluster::PgCluster() : m_bin(ServerPrograms())
{
    if (m_bin.empty())
        throw std::runtime_error("PostgreSQL's server programs are not installed (apt-get install postgresql)");
    m_socketDir = (m_dir.path / "run").string();
    m_data = (m_dir.path / "run" / "data").string();
    fs::create_directories(m_socketDir);
    fs::permissions(m_dir.path, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("nobody");
        if (!user || ::chown(m_socketDir.c_str(), user->pw_uid, user->pw_gid) != 0)
            throw std::runtime_error("no unprivileged user to run PostgreSQL as");
        m_runAs = "runuser -u nobody -- ";
    }
    if (!Run("initdb", "-D " + Quoted(m_data) + " -U quillbox --auth=trust -E UTF8 --locale=C --no-sync"))
        throw std::runtime_error("initdb failed: " + ReadFile(m_dir.path / "run" / "initdb.log"));
    // fsync off: the tests kill server processes, never the database or the machine.
    const std::string options = "-k " + m_socketDir + " -p " + std::to_string(m_port)
                              + " -c listen_addresses= -c fsync=off -c full_page_writes=off -c max_connections=300";
    m_started = Run("pg_ctl", "-D " + Quoted(m_data) + " -l " + Quoted(m_socketDir + "/server.log") + " -w -t 60 -o "
                                  + Quoted(options) + " start");
    if (!m_started)
        throw std::runtime_error("PostgreSQL did not start: " + ReadFile(m_dir.path / "run" / "server.log"));
}

PgCluster::~PgCluster()
{
    if (m_started)
        Run("pg_ctl", "-D " + Quoted(m_data) + " -m immediate -w stop");
}

bool PgCluster::Run(const std::string& program, const std::string& arguments) const
{
    const std::string log = m_socketDir + "/" + program + ".log";
    const std::string command = m_runAs + m_bin + "/" + program + " " + arguments + " >>" + Quoted(log) + " 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string PgCluster::Conninfo(const std::string& database) const
{
    return "host=" + m_socketDir + " port=" + std::to_string(m_port) + " user=quillbox dbname=" + database;
}

std::string PgCluster::CreateDatabase()
{
    std::lock_guard lock(m_mutex);
    const std::string name = "test" + std::to_string(++m_databases);
    server::PgConnection(Conninfo("postgres")).Exec(("CREATE DATABASE " + name).c_str());
    return Conninfo(name);
}

std::string PgCluster::CreateDatabaseIn(const std::string& directory)
{
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("nobody");
        if (!user || ::chown(directory.c_str(), user->pw_uid, user->pw_gid) != 0)
            throw std::runtime_error("the cluster's user cannot have " + directory);
    }
    std::lock_guard lock(m_mutex);
    const std::string name = "test" + std::to_string(++m_databases);
    server::PgConnection admin(Conninfo("postgres"));
    admin.Exec(("CREATE TABLESPACE space_" + name + " LOCATION " + Quoted(directory)).c_str());
    admin.Exec(("CREATE DATABASE " + name + " TABLESPACE space_" + name).c_str());
    return Conninfo(name);
}

void PgCluster::DropDatabaseIn(const std::string& conninfo)
{
    const std::string name = conninfo.substr(conninfo.rfind('=') + 1);
    server::PgConnection admin(Conninfo("postgres"));
    admin.Exec(("DROP DATABASE " + name).c_str());
    admin.Exec(("DROP TABLESPACE space_" + name).c_str());
}

PgCluster& TestCluster()
{
    std::lock_guard lock(g_clusterMutex);
    if (!g_cluster)
        g_cluster = std::make_unique<PgCluster>();
    return *g_cluster;
}

} // namespace qb::testing
