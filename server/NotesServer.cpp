#include "NotesServer.h"

#include "HttpFront.h"
#include "LogLine.h"
#include "UserGuide.h"

#include <unistd.h>

#include <chrono>
#include <ctime>

namespace qb::server {
namespace {

constexpr std::string_view kScriptPrefix = "/Buffer/Buffer0000/bin/";

std::string_view PathOf(std::string_view target)
{
    return target.substr(0, target.find('?'));
}

// The script a target names, or nothing.
const Script* ScriptOf(std::string_view target)
{
    const std::string_view path = PathOf(target);
    if (path.substr(0, kScriptPrefix.size()) != kScriptPrefix)
        return nullptr;
    return FindScript(path.substr(kScriptPrefix.size()));
}

double MillisecondsSince(std::chrono::steady_clock::time_point started)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
}

// Routes complete requests to the service and writes the request log.
class ScriptHandler : public IHttpHandler {
public:
    ScriptHandler(NotesService& service, bool log) : m_service(service), m_log(log) {}

    HttpAnswer Answer(const HttpRequest& request) override
    {
        HttpAnswer answer;
        if (request.method == "GET" && PathOf(request.target) == "/UserGuide.htm") {
            answer.contentType = "text/html; charset=utf-8";
            // Lets a starting script tell that the server answering is the one it started.
            answer.headers = {{"X-Quillbox-Pid", std::to_string(::getpid())}};
            answer.body = std::string(kUserGuideHtml);
            return answer;
        }
        const Script* script = request.method == "POST" ? ScriptOf(request.target) : nullptr;
        if (!script) {
            answer.status = 404;
            return answer;
        }
        const Reply reply = m_service.Handle(*script, request.body);
        answer.headers = {{"Cache-Control", "no-cache"}};
        answer.body = reply.text;
        if (m_log) {
            const std::string firstLine = reply.text.substr(0, reply.text.find('\n'));
            WriteLogLine(FormatLogLine(std::time(nullptr), {script->name, reply.account, reply.ok ? "OK" : firstLine,
                                                            MillisecondsSince(request.started), reply.failure}));
        }
        return answer;
    }

    void Unanswered(const HttpRequest& request, std::string_view outcome) override
    {
        if (!m_log || request.target.empty())
            return;
        const Script* script = ScriptOf(request.target);
        const std::string_view what = script ? std::string_view(script->name) : PathOf(request.target);
        WriteLogLine(FormatLogLine(std::time(nullptr), {what, {}, outcome, MillisecondsSince(request.started), {}}));
    }

private:
    NotesService& m_service;
    const bool m_log;
};

} // namespace

NotesServer::NotesServer(NotesService& service, ServerOptions options)
    : m_service(service),
      m_options(std::move(options)),
      m_handler(std::make_unique<ScriptHandler>(m_service, m_options.log))
{
}

NotesServer::~NotesServer()
{
    Stop();
}

int NotesServer::Start()
{
    std::lock_guard lock(m_mutex);
    if (m_front)
        return m_port;
    auto front = std::make_unique<HttpFront>(m_options, *m_handler);
    m_port = front->Listen();
    if (m_port < 0) {
        m_error = front->Error();
        return -1;
    }
    front->Start();
    m_front = std::move(front);
    m_serving = true;
    return m_port;
}

bool NotesServer::Run()
{
    if (Start() < 0)
        return false;
    std::unique_lock lock(m_mutex);
    m_stopped.wait(lock, [this] { return !m_serving; });
    return true;
}

void NotesServer::Stop()
{
    std::unique_ptr<HttpFront> front;
    {
        std::lock_guard lock(m_mutex);
        front = std::move(m_front);
        m_serving = false;
    }
    m_stopped.notify_all();
    front.reset(); // stops serving and closes every connection
}

std::size_t NotesServer::OpenConnections() const
{
    std::lock_guard lock(m_mutex);
    return m_front ? m_front->OpenConnections() : 0;
}

} // namespace qb::server
