#include "ClientApp.h"

#include "RequestBodies.h"
#include "SessionValues.h"
#include "Settings.h"
#include "SingleInstance.h"

#include "codec/SessionToken.h"

#include <QCoreApplication>

#include <cctype>
#include <cstdio>

namespace qb {
namespace {

CClientApp* g_instance = nullptr;

constexpr const char* kServerKey = "Server";
constexpr const char* kDefaultServer = "127.0.0.1:8080";

} // namespace

CClientApp::CClientApp() : m_clock([] { return std::time(nullptr); })
{
    g_instance = this;
}

CClientApp::~CClientApp()
{
    CloseRequest();
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

    m_strIniPath = QCoreApplication::applicationDirPath().toStdString() + "/" + kSettingsFileName;
    m_strIdentity = LockIdentity(ComputerName(), m_clock());
    if (!CreateSession()) {
        std::fputs("Cannot init socket.\n", stdout);
        return false;
    }
    shell.ShowNotice(kSharedAccountNotice);
    m_strAccount = kSharedAccount;
    m_strScriptBase = ScriptBase();
    shell.RunMainWindow();
    return false;
}

int CClientApp::ExitInstance()
{
    CloseRequest();
    m_pSession.reset();
    m_singleInstance.reset();
    return 0;
}

std::string CClientApp::ServerSetting() const
{
    const std::string value = ReadSettingString(kServerKey, m_strIniPath);
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
    CloseRequest();
    m_pSession.reset();
    m_server = server;
    auto session = std::make_unique<CInternetSession>(kUserAgent);
    if (!session->IsOpen())
        return false;
    // Transfers let the window repaint, never take the user's input.
    session->pump = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    m_pSession = std::move(session);
    return true;
}

std::string CClientApp::MakeSessionToken()
{
    if (m_strAccount.empty())
        return {};
    return m_tokenSealer.Seal(FormatTokenText(m_clock(), m_strAccount));
}

CHttpRequest* CClientApp::OpenScriptRequest(const std::string& path)
{
    CloseRequest();
    if (!m_pSession)
        return nullptr;
    m_pConnection = std::make_unique<CHttpConnection>(m_server);
    m_pRequest = std::make_unique<CHttpRequest>(*m_pSession, *m_pConnection, path);
    if (!m_pRequest->IsValid()) {
        m_strLastError = kErrorNotResponding;
        CloseRequest();
        return nullptr;
    }
    return m_pRequest.get();
}

int CClientApp::PostForm(const std::string& script, const std::string& body)
{
    CHttpRequest* request = OpenScriptRequest(m_strScriptBase + script);
    if (!request)
        return -1;
    const TransferResult result = request->SendForm(body);
    if (!result.sent) {
        m_strLastError = kErrorInternet;
        return -3;
    }
    if (result.status != 200) {
        m_strLastError = "ERROR: Error code " + std::to_string(result.status);
        return -static_cast<int>(result.status);
    }
    return 1;
}

int CClientApp::PostStreamed(const std::string& script, const std::string& prefix, std::string_view text,
                             const PieceCallback& onPiece)
{
    CHttpRequest* request = OpenScriptRequest(m_strScriptBase + script);
    if (!request)
        return 0;
    const int range = static_cast<int>(text.size() / kSendPiece);
    bool prefixSent = false;
    std::size_t offset = 0;
    int piece = 0;
    const TransferResult sent = request->SendStreamed(prefix.size() + text.size(), [&]() -> std::string_view {
        if (!prefixSent) {
            prefixSent = true;
            return prefix;
        }
        if (offset >= text.size())
            return {};
        const std::string_view chunk = text.substr(offset, kSendPiece);
        offset += chunk.size();
        if (onPiece)
            onPiece(++piece, range);
        return chunk;
    });

    int result = 0;
    if (!sent.sent) {
        m_strLastError = kErrorInternet;
    } else {
        if (sent.status != 200)
            m_strLastError = "ERROR: Error code " + std::to_string(sent.status);
        std::string first;
        ReadReplyLine(first);
        if (IsOkStatus(first))
            result = 1;
        else if (sent.status == 200 || !first.empty())
            m_strLastError = first + ReadRemainingLines();
        // A refused status with an empty reply keeps "ERROR: Error code N": a message of a
        // lone line feed would tell the user nothing.
    }
    CloseRequest();
    return result;
}

bool CClientApp::ReadReplyLine(std::string& line)
{
    line.clear();
    return m_pRequest && m_pRequest->Reply().ReadLine(line);
}

std::string CClientApp::ReadReplyBytes(std::size_t n)
{
    return m_pRequest ? m_pRequest->Reply().Read(n) : std::string();
}

std::string CClientApp::ReadRemainingLines()
{
    return m_pRequest ? m_pRequest->Reply().ReadRemainingLines() : std::string("\n");
}

void CClientApp::CloseRequest()
{
    m_pRequest.reset();
    m_pConnection.reset();
}

std::string CClientApp::InternetErrorText(const std::string& platformText)
{
    std::string text = platformText;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text.empty() ? std::string("Unknown error.") : text + ".";
}

} // namespace qb
