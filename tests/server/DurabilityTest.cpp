// Every save that was answered "OK" survives the server being killed outright.

#include "ServerFixture.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace qb::testing;

namespace {

// The real executable on a free port; its port is read from its start-up line.
class ServerProcess {
public:
    explicit ServerProcess(const std::string& db)
    {
        for (int attempt = 0; attempt < 20 && m_port < 0; ++attempt) {
            const int port = 20000 + static_cast<int>(::getpid() % 20000) + attempt * 7;
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

std::string Body(const std::string& rest)
{
    return "ID=" + Token("kiwi") + rest;
}

} // namespace

TEST(Durability, AcknowledgedSavesSurviveSigkill)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    std::vector<std::string> saved;
    std::string inFlight; // the save cut off by the kill may or may not have been stored
    std::size_t inFlightNote = 0;
    {
        ServerProcess server(db);
        ASSERT_GT(server.Port(), 0);
        std::atomic<int> acknowledged = 0;
        // Kills the server in the middle of the stream of saves, once a good number landed.
        std::thread killer([&] {
            while (acknowledged < 200)
                std::this_thread::yield();
            server.Kill();
        });
        for (int i = 0; i < 100000; ++i) {
            const std::string data = "Tm90ZS" + std::to_string(i) + "=";
            const auto reply = PostRaw(server.Port(), "/Buffer/Buffer0000/bin/qbsave.pl",
                                       Body("&DIR=&FILE=note" + std::to_string(i % 50) + ".rtf&LOCK=0&DATA=" + data));
            if (reply.body != "OK\n") {
                inFlight = data;
                inFlightNote = static_cast<std::size_t>(i % 50);
                break;
            }
            if (saved.size() < 50)
                saved.resize(50);
            saved[static_cast<std::size_t>(i % 50)] = data;
            ++acknowledged;
        }
        acknowledged = 1 << 30; // lets the killer go if the server stopped early
        killer.join();
    }
    ASSERT_FALSE(saved.empty());

    ServerProcess restarted(db);
    ASSERT_GT(restarted.Port(), 0);
    for (std::size_t n = 0; n < saved.size(); ++n) {
        if (saved[n].empty())
            continue;
        const auto reply = PostRaw(restarted.Port(), "/Buffer/Buffer0000/bin/qbopen.pl",
                                   Body("&FILE=/note" + std::to_string(n) + ".rtf&LOCK="));
        const std::string expected = "OK " + std::to_string(saved[n].size()) + "\n" + saved[n];
        if (n == inFlightNote && reply.body != expected)
            EXPECT_EQ(reply.body, "OK " + std::to_string(inFlight.size()) + "\n" + inFlight) << n;
        else
            EXPECT_EQ(reply.body, expected) << n;
    }
}

// The versions a save keeps are in its transaction: after a kill, each note holds every
// text acknowledged for it, the last as its text and the others as versions, newest first.
TEST(Durability, AcknowledgedVersionsSurviveSigkill)
{
    TempDir dir;
    const std::string db = (dir.path / "notes.db").string();
    constexpr std::size_t kNotes = 10; // about 30 saves each: within the 50 versions kept
    std::vector<std::vector<std::string>> saved(kNotes);
    std::optional<std::pair<std::size_t, std::string>> inFlight;
    const auto noteName = [](std::size_t n) { return "note" + std::to_string(n) + ".rtf"; };
    {
        ServerProcess server(db);
        ASSERT_GT(server.Port(), 0);
        std::atomic<int> acknowledged = 0;
        std::thread killer([&] {
            while (acknowledged < 300)
                std::this_thread::yield();
            server.Kill();
        });
        for (std::size_t i = 0; i < kNotes * 45; ++i) { // never past the versions kept
            const std::size_t n = i % kNotes;
            const std::string data = "Tm90ZS" + std::to_string(i) + "=";
            const auto reply = PostRaw(server.Port(), "/Buffer/Buffer0000/bin/qbsave.pl",
                                       Body("&DIR=&FILE=" + noteName(n) + "&LOCK=0&DATA=" + data));
            if (reply.body != "OK\n") {
                inFlight.emplace(n, data);
                break;
            }
            saved[n].push_back(data);
            ++acknowledged;
        }
        acknowledged = 1 << 30;
        killer.join();
    }
    ServerProcess restarted(db);
    ASSERT_GT(restarted.Port(), 0);
    const auto post = [&](const std::string& script, const std::string& rest) {
        return PostRaw(restarted.Port(), "/Buffer/Buffer0000/bin/" + script, Body(rest)).body;
    };
    for (std::size_t n = 0; n < kNotes; ++n) {
        SCOPED_TRACE(n);
        std::vector<std::string> expected(saved[n].rbegin(), saved[n].rend()); // newest first
        std::vector<std::string> found;
        const std::string open = post("qbopen.pl", "&FILE=/" + noteName(n) + "&LOCK=");
        if (!open.starts_with("OK "))
            continue; // never saved
        found.push_back(open.substr(open.find('\n') + 1));
        const std::string versions = post("qbversions.pl", "&FILE=/" + noteName(n));
        ASSERT_TRUE(versions.starts_with("OK\n")) << versions;
        for (std::size_t at = 3; at < versions.size();) {
            const std::size_t end = versions.find('\n', at);
            const std::string id = versions.substr(at, versions.find('|', at) - at);
            const std::string text = post("qbopenversion.pl", "&FILE=/" + noteName(n) + "&VERSION=" + id);
            found.push_back(text.substr(text.find('\n') + 1));
            at = end + 1;
        }
        // The save cut off by the kill may have been stored or not.
        if (inFlight && inFlight->first == n && !found.empty() && found.front() == inFlight->second)
            found.erase(found.begin());
        EXPECT_EQ(found, expected);
    }
}
