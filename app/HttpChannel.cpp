#include "HttpChannel.h"

#include "AsciiCase.h"

#include <curl/curl.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <type_traits>

static_assert(std::is_same_v<curl_off_t, std::int64_t>, "progress callback signature");

namespace qb {
namespace {

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const std::string& header) { list = curl_slist_append(list, header.c_str()); }
};

std::size_t OnReceive(char* data, std::size_t size, std::size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsCertificateFailure(CURLcode code)
{
    return code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE
        || code == CURLE_SSL_ISSUER_ERROR || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH;
}

// The cause the user is told: the server could not be reached, or it was reached and then
// said nothing; every other failure is the network's.
TransferResult::Outcome FailureOutcome(CURLcode code, bool connected)
{
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST: return TransferResult::Outcome::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return connected ? TransferResult::Outcome::TimedOut : TransferResult::Outcome::CannotConnect;
    default: return TransferResult::Outcome::Failed;
    }
}

} // namespace

std::optional<ServerAddress> ParseServerAddress(const std::string& setting)
{
    std::string text = setting;
    bool secure = false;
    bool schemed = false;
    for (const auto& [prefix, isSecure] : {std::pair<std::string_view, bool>{"http://", false}, {"https://", true}}) {
        if (StartsWithNoCase(text, prefix)) {
            text.erase(0, prefix.size());
            secure = isSecure;
            schemed = true;
            break;
        }
    }
    if (schemed && !text.empty() && text.back() == '/')
        text.pop_back();
    std::string host = text;
    std::string port;
    bool hasPort = false;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || (close + 1 < text.size() && text[close + 1] != ':'))
            return std::nullopt;
        host = text.substr(0, close + 1);
        hasPort = close + 1 < text.size();
        if (hasPort)
            port = text.substr(close + 2);
    } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        hasPort = true;
    }
    if (host.empty() || host.find_first_of(" /?#@") != std::string::npos)
        return std::nullopt;
    ServerAddress address{host, secure ? 443 : 80, secure};
    if (hasPort) {
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        address.port = std::stoi(port);
        if (address.port < 1 || address.port > 65535)
            return std::nullopt;
    }
    return address;
}

CInternetSession::CInternetSession(std::string userAgent) : m_userAgent(std::move(userAgent))
{
    m_open = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

std::string ServerUrl(const ServerAddress& server)
{
    return std::string(server.secure ? "https://" : "http://") + server.host + ":" + std::to_string(server.port);
}

bool CInternetSession::AddTrustedCertificates(const std::string& pemPath)
{
    const auto added = ReadWholeFile(pemPath);
    if (!added || added->find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        return false;
    // A blob replaces curl's store rather than adding to it, so the system's store goes first.
    std::string bundle;
    if (CURL* probe = curl_easy_init()) {
        char* systemStore = nullptr;
        if (curl_easy_getinfo(probe, CURLINFO_CAINFO, &systemStore) == CURLE_OK && systemStore)
            bundle = ReadWholeFile(systemStore).value_or(std::string());
        curl_easy_cleanup(probe);
    }
    if (!bundle.empty() && bundle.back() != '\n')
        bundle += '\n';
    m_trustBundle = bundle + *added;
    return true;
}

CInternetSession::~CInternetSession()
{
    if (m_open)
        curl_global_cleanup();
}

CHttpRequest::CHttpRequest(CInternetSession& session, const ServerAddress& server, std::string path)
    : m_session(session), m_path(std::move(path)), m_curl(curl_easy_init())
{
    m_url = ServerUrl(server) + m_path;
}

CHttpRequest::~CHttpRequest()
{
    if (m_curl)
        curl_easy_cleanup(m_curl);
}

int CHttpRequest::OnProgress(void* user, std::int64_t, std::int64_t downloaded, std::int64_t, std::int64_t uploaded)
{
    auto* self = static_cast<CHttpRequest*>(user);
    if (self->m_cancel) {
        if (self->m_cancel->load()) {
            self->m_cancelled = true;
            return 1;
        }
    } else if (self->m_session.pump) {
        self->m_session.pump();
    }
    // curl's own low-speed check does not cover the wait for a reply that never starts,
    // so a stall is any stretch without a byte moving either way.
    const auto now = std::chrono::steady_clock::now();
    const long long moved = static_cast<long long>(downloaded + uploaded);
    if (moved != self->m_bytesMoved) {
        self->m_bytesMoved = moved;
        self->m_lastMoved = now;
        return 0;
    }
    self->m_stalled = now - self->m_lastMoved > std::chrono::seconds(self->m_session.stallSeconds);
    return self->m_stalled ? 1 : 0;
}

TransferResult CHttpRequest::Perform(curl_slist* headers)
{
    TransferResult result;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(m_curl, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_POST, 1L);
    curl_easy_setopt(m_curl, CURLOPT_USERAGENT, m_session.UserAgent().c_str());
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, OnReceive);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CHttpRequest::OnProgress);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, m_session.connectTimeoutSeconds);
    m_lastMoved = std::chrono::steady_clock::now();
    m_bytesMoved = -1;
    m_stalled = false;
    m_cancelled = false;
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_blob trust{};
    if (!m_session.m_trustBundle.empty()) {
        trust.data = m_session.m_trustBundle.data();
        trust.len = m_session.m_trustBundle.size();
        trust.flags = CURL_BLOB_NOCOPY;
        curl_easy_setopt(m_curl, CURLOPT_CAINFO_BLOB, &trust);
    }

    const CURLcode code = curl_easy_perform(m_curl);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, nullptr); // the buffer ends with this call
    if (code != CURLE_OK) {
        result.body.clear();
        result.error = errorText[0] ? errorText : curl_easy_strerror(code);
        if (m_cancelled) {
            result.outcome = TransferResult::Outcome::Cancelled;
        } else if (IsCertificateFailure(code)) {
            result.outcome = TransferResult::Outcome::CertificateRejected;
        } else if (m_stalled) {
            result.outcome = TransferResult::Outcome::TimedOut;
            result.error = "Nothing moved for " + std::to_string(m_session.stallSeconds) + " seconds";
        } else {
            curl_off_t connectTime = 0;
            curl_easy_getinfo(m_curl, CURLINFO_CONNECT_TIME_T, &connectTime);
            result.outcome = FailureOutcome(code, connectTime > 0);
        }
        return result;
    }
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &result.status);
    result.outcome = TransferResult::Outcome::Completed;
    return result;
}

namespace {

// The request headers every script request carries: never served from or written to a
// cache, keep-alive asked, any reply type accepted, and no 100-continue round trip.
void AddCommonHeaders(HeaderList& headers)
{
    headers.Add("Accept: */*");
    headers.Add("Pragma: no-cache");
    headers.Add("Connection: Keep-Alive");
    headers.Add("Expect:");
}

} // namespace

TransferResult CHttpRequest::SendForm(const std::string& body)
{
    HeaderList headers;
    AddCommonHeaders(headers);
    headers.Add("Content-Type: application/x-www-form-urlencoded");
    headers.Add("Content-Length: " + std::to_string(body.size()));
    headers.Add("Cache-Control: no-cache");
    curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    return Perform(headers.list);
}

TransferResult CHttpRequest::SendStreamed(std::size_t totalLength, PieceSource source)
{
    HeaderList headers;
    AddCommonHeaders(headers);
    headers.Add("Content-Type:"); // curl would add the form type itself
    m_source = std::move(source);
    m_pending = {};
    auto onRead = [](char* buffer, std::size_t size, std::size_t count, void* user) -> std::size_t {
        auto* self = static_cast<CHttpRequest*>(user);
        if (self->m_pending.empty())
            self->m_pending = self->m_source();
        const std::size_t n = std::min(size * count, self->m_pending.size());
        std::memcpy(buffer, self->m_pending.data(), n);
        self->m_pending.remove_prefix(n);
        return n;
    };
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, static_cast<curl_read_callback>(onRead));
    curl_easy_setopt(m_curl, CURLOPT_READDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, nullptr);
    curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(totalLength));
    return Perform(headers.list);
}

} // namespace qb
