#pragma once
// quillbox-server as a process of its own, for tests that kill it outright or read what it
// says. Only for test
// files of server_tests, which names the binary (QUILLBOX_SERVER_BINARY).

#include "FreePort.h"
#include "ServerFixture.h"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>

namespace qb::testing {

// Runs quillbox-server with the arguments until it ends (20 s at most): what it wrote, and
// its exit status.
inline std::pair<std::string, int> RunServer(const std::string& arguments)
{
    const std::string command = std::string("timeout 20 '") + QUILLBOX_SERVER_BINARY + "' " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {"popen failed", -1};
    std::string output;
    char buffer[256];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// The real executable on a free port, with its own stderr silenced.
class ServerProcess {
public:
    explicit ServerProcess(const std::string& db)
    {
        for (int attempt = 0; attempt < 20 && m_port < 0; ++attempt) {
            const int port = FreePort();
            m_pid = ::fork();
            if (m_pid == 0) {
                const int null = ::open("/dev/null", O_WRONLY);
                ::dup2(null, 2);
                const std::string listen = "127.0.0.1:" + std::to_string(port);
                ::execl(QUILLBOX_SERVER_BINARY, QUILLBOX_SERVER_BINARY, "--listen", listen.c_str(), "--db", db.c_str(),
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            for (int i = 0; i < 500; ++i) {
                if (GetRaw(port, "/UserGuide.htm").status == 200) {
                    m_port = port;
                    break;
                }
                int status = 0;
                if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                    m_pid = -1;
                    break; // port taken: try the next
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (m_port < 0)
                Kill(); // never answered
        }
    }
    ~ServerProcess() { Kill(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    void Kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    int Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_port = -1;
};

} // namespace qb::testing
