#include "NotesServer.h"

#include "UserGuide.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace qb::server {
namespace {

constexpr const char* kScriptPattern = R"(/Buffer/Buffer0000/bin/([A-Za-z]+\.pl))";

void LogLine(const std::string& script, const Reply& reply, double ms)
{
    static std::mutex mutex;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string firstLine = reply.text.substr(0, reply.text.find('\n'));
    const std::string result = reply.ok ? "OK" : firstLine;
    std::lock_guard lock(mutex);
    std::fprintf(stderr, "%s %s account=%s %s %.1fms%s%s\n", stamp, script.c_str(),
                 reply.account.empty() ? "-" : reply.account.c_str(), result.c_str(), ms,
                 reply.failure.empty() ? "" : " storage: ", reply.failure.c_str());
}

} // namespace

NotesServer::NotesServer(NotesService& service, ServerOptions options)
    : m_service(service), m_options(std::move(options)), m_http(std::make_unique<httplib::Server>())
{
    Install();
}

NotesServer::~NotesServer()
{
    Stop();
}

void NotesServer::Install()
{
    // Replies go out as header and body writes: without this, Nagle and delayed ACKs add
    // 40 ms to every request.
    m_http->set_tcp_nodelay(true);
    // A keep-alive connection holds a worker while it is open, so the pool is sized for
    // many clients rather than for the cores.
    const std::size_t workers = m_options.workers;
    m_http->new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    m_http->set_keep_alive_timeout(5);
    m_http->Post(kScriptPattern, [this](const httplib::Request& req, httplib::Response& res,
                                        const httplib::ContentReader& reader) {
        const auto started = std::chrono::steady_clock::now();
        const std::string scriptName = req.matches[1];
        const Script* script = FindScript(scriptName);
        if (!script) {
            res.status = 404;
            return;
        }
        Reply reply;
        std::string body;
        bool tooLarge = false;
        const auto declared = req.get_header_value("Content-Length");
        if (!declared.empty() && std::strtoull(declared.c_str(), nullptr, 10) > m_options.maxBodyBytes) {
            tooLarge = true; // refused before a byte of it is read
        } else {
            reader([&](const char* data, std::size_t length) {
                if (body.size() + length > m_options.maxBodyBytes) {
                    tooLarge = true;
                    return false;
                }
                body.append(data, length);
                return true;
            });
        }
        if (tooLarge) {
            reply.text = "ERROR: The request is too large for the server.\n";
            res.set_header("Connection", "close");
        } else {
            reply = m_service.Handle(*script, body);
        }
        res.set_content(reply.text, "text/plain; charset=utf-8");
        res.set_header("Cache-Control", "no-cache");
        if (m_options.log) {
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            LogLine(scriptName, reply, ms);
        }
    });
    m_http->Get("/UserGuide.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(kUserGuideHtml), "text/html; charset=utf-8");
    });
}

int NotesServer::Bind()
{
    if (m_options.port == 0)
        m_port = m_http->bind_to_any_port(m_options.host);
    else
        m_port = m_http->bind_to_port(m_options.host, m_options.port) ? m_options.port : -1;
    return m_port;
}

int NotesServer::Start()
{
    if (Bind() < 0)
        return -1;
    m_finished = false;
    m_thread = std::thread([this] {
        m_http->listen_after_bind();
        m_finished = true;
    });
    // This library version has no wait_until_ready().
    while (!m_http->is_running() && !m_finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return m_port;
}

bool NotesServer::Run()
{
    if (Bind() < 0)
        return false;
    return m_http->listen_after_bind();
}

void NotesServer::Stop()
{
    if (m_http)
        m_http->stop();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace qb::server
