#include "ClientApp.h"

#include "NoteHistory.h"
#include "RequestBodies.h"
#include "SessionValues.h"
#include "Settings.h"
#include "SingleInstance.h"

#include "codec/SessionToken.h"

#include <QCoreApplication>

#include <cstdio>
#include <thread>

namespace qb {
namespace {

CClientApp* g_instance = nullptr;

constexpr const char* kServerKey = "Server";
constexpr const char* kCaFileKey = "CaFile";

} // namespace

// The script base is fixed from the start, so a request can never go out without it.
CClientApp::CClientApp() : m_scriptBase(ScriptBase()), m_clock([] { return std::time(nullptr); })
{
    g_instance = this;
}

CClientApp::~CClientApp()
{
    if (g_instance == this)
        g_instance = nullptr;
}

CClientApp* CClientApp::Instance()
{
    return g_instance;
}

bool CClientApp::InitInstance(IAppShell& shell)
{
    m_singleInstance = std::make_unique<CSingleInstance>();
    if (!m_singleInstance->Claim())
        return false;
    QObject::connect(m_singleInstance.get(), &CSingleInstance::activationRequested,
                     [&shell] { shell.RaiseMainWindow(); });

    m_iniPath = QCoreApplication::applicationDirPath().toStdString() + "/" + kSettingsFileName;
    m_identity = LockIdentity(ComputerName(), m_clock());
    if (!CreateSession()) {
        std::fputs("Cannot init socket.\n", stdout);
        return false;
    }
    shell.ShowNotice(kSharedAccountNotice);
    m_account = kSharedAccount;
    shell.RunMainWindow();
    return false;
}

int CClientApp::ExitInstance()
{
    m_session.reset();
    m_singleInstance.reset();
    return 0;
}

std::string CClientApp::ServerSetting() const
{
    const std::string value = ReadSettingString(kServerKey, m_iniPath);
    return value.empty() ? kDefaultServer : value;
}

bool CClientApp::CreateSession()
{
    // A malformed setting falls back to the default rather than leaving no server at all.
    const auto server = ParseServerAddress(ServerSetting());
    return CreateSession(server.value_or(ServerAddress{}));
}

bool CClientApp::CreateSession(const ServerAddress& server)
{
    m_session.reset();
    m_server = server;
    auto session = std::make_unique<CInternetSession>(kUserAgent);
    if (!session->IsOpen())
        return false;
    // Transfers let the window repaint, never take the user's input.
    session->pump = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    session->stallSeconds = m_stallSeconds;
    // An unreadable file leaves the system's store alone: the server's certificate then
    // fails to verify and says so, rather than being let through.
    if (const std::string caFile = m_iniPath.empty() ? std::string() : ReadSettingString(kCaFileKey, m_iniPath);
        !caFile.empty() && !session->AddTrustedCertificates(caFile))
        std::fprintf(stderr, "Cannot read the certificates in CaFile=%s.\n", caFile.c_str());
    m_session = std::move(session);
    return true;
}

void CClientApp::SetStallSeconds(long seconds)
{
    m_stallSeconds = seconds;
    if (m_session)
        m_session->stallSeconds = seconds;
}

std::string CClientApp::MakeSessionToken()
{
    if (m_account.empty())
        return {};
    return m_tokenSealer.Seal(FormatTokenText(m_clock(), m_account));
}

std::variant<TransferResult, ScriptReply> CClientApp::Transfer(std::string_view script, const Send& send)
{
    if (!m_session)
        return ScriptReply::Failed(ChannelError::NoSession);
    CHttpRequest request(*m_session, m_server, m_scriptBase + std::string(script));
    if (!request.IsValid())
        return ScriptReply::Failed(ChannelError::NotOpened);
    TransferResult sent;
    if (!m_waiter) {
        sent = send(request, [](const std::function<void()>& work) { work(); });
    } else {
        // What the transfer's thread hands back runs here, on this thread, while the waiter
        // turns the event loop; the last of it before this object goes.
        QObject caller;
        std::atomic<bool> cancel = false;
        std::atomic<bool> finished = false;
        request.SetCancelFlag(&cancel);
        const Relay relay = [&caller](std::function<void()> work) {
            QMetaObject::invokeMethod(&caller, std::move(work), Qt::QueuedConnection);
        };
        std::thread worker([&] {
            sent = send(request, relay);
            finished = true;
            relay([] {}); // wakes the waiting loop
        });
        m_waiter->Wait([&finished] { return finished.load(); }, cancel);
        worker.join();
        QCoreApplication::sendPostedEvents(&caller, QEvent::MetaCall);
    }
    const auto failed = [&sent](ChannelError error) { return ScriptReply::Failed(error, InternetErrorText(sent.error)); };
    switch (sent.outcome) {
    case TransferResult::Outcome::Completed: return sent;
    case TransferResult::Outcome::CannotConnect: return failed(ChannelError::CannotConnect);
    case TransferResult::Outcome::TimedOut: return failed(ChannelError::TimedOut);
    case TransferResult::Outcome::Cancelled: return failed(ChannelError::Cancelled);
    case TransferResult::Outcome::CertificateRejected: return failed(ChannelError::Certificate);
    case TransferResult::Outcome::Failed: break;
    }
    return failed(ChannelError::Platform);
}

ScriptReply CClientApp::Post(std::string_view script, const std::string& body)
{
    auto sent = Transfer(script, [&](CHttpRequest& request, const Relay&) { return request.SendForm(body); });
    if (auto* failed = std::get_if<ScriptReply>(&sent))
        return std::move(*failed);
    auto& result = std::get<TransferResult>(sent);
    return ScriptReply::Received(result.status, std::move(result.body), [script](long status, const std::string& line) {
        if (status != 200)
            return ChannelError::HttpStatus;
        const bool accepted = script == kScriptOpen || script == kScriptOpenVersion ? ParseOpenStatus(line).has_value() : IsOkStatus(line);
        return accepted ? ChannelError::None : ChannelError::Refused;
    });
}

ScriptReply CClientApp::PostStreamed(std::string_view script, const std::string& prefix, std::string_view text,
                                     const PieceCallback& onPiece)
{
    const int range = static_cast<int>(text.size() / kSendPiece);
    bool prefixSent = false;
    std::size_t offset = 0;
    int piece = 0;
    auto sent = Transfer(script, [&](CHttpRequest& request, const Relay& relay) {
        return request.SendStreamed(prefix.size() + text.size(), [&]() -> std::string_view {
            if (!prefixSent) {
                prefixSent = true;
                return prefix;
            }
            if (offset >= text.size())
                return {};
            const std::string_view chunk = text.substr(offset, kSendPiece);
            offset += chunk.size();
            if (onPiece)
                relay([&onPiece, position = ++piece, range] { onPiece(position, range); });
            return chunk;
        });
    });
    if (auto* failed = std::get_if<ScriptReply>(&sent))
        return std::move(*failed);
    auto& result = std::get<TransferResult>(sent);
    return ScriptReply::Received(result.status, std::move(result.body), [](long status, const std::string& line) {
        // A refused status is a failure whatever the body says: a server that got half a
        // body may still answer "OK". The server's own words tell more than the status
        // code, except when it sent none.
        if (IsOkStatus(line))
            return status == 200 ? ChannelError::None : ChannelError::HttpStatus;
        return status != 200 && line.empty() ? ChannelError::HttpStatus : ChannelError::Refused;
    });
}

} // namespace qb
