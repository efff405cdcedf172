#pragma once
// The program's one application object: session values, the request channel with the
// request in flight, the key holder shared by every editor, the settings path.

#include "HttpChannel.h"

#include "codec/CipherEnvelope.h"
#include "codec/SessionToken.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>

namespace qb {

class CSingleInstance;

// What start-up needs from the windows above this layer.
class IAppShell {
public:
    virtual ~IAppShell() = default;
    virtual void ShowNotice(const std::string& text) = 0;
    // Runs the explorer as the main window; returns when it has closed.
    virtual void RunMainWindow() = 0;
    virtual void RaiseMainWindow() = 0;
};

inline constexpr const char* kSharedAccountNotice =
    "You will now be connected to a shared test account.\t\n\n"
    "Files you create in the test account may be renamed\n"
    "or deleted by others at any time although they will\n"
    "not be able to open or modify your files.\n";

inline constexpr const char* kErrorCannotConnect = "ERROR: Cannot connect to the server.";
inline constexpr const char* kErrorNotResponding = "ERROR: Server not responding.";
inline constexpr const char* kErrorInternet = "ERROR: Please make sure Quillbox is allowed to access the Internet.";
inline constexpr std::size_t kSendPiece = 4096;

class CClientApp {
public:
    CClientApp();
    ~CClientApp();
    CClientApp(const CClientApp&) = delete;
    CClientApp& operator=(const CClientApp&) = delete;

    // The one instance, for the windows that reach back to it.
    static CClientApp* Instance();

    // Start-up in order: single instance, settings path, identity, session, notice,
    // account and script base, then the main window. Always false: the program ends after.
    bool InitInstance(IAppShell& shell);
    int ExitInstance();
    // A session for the server named in the settings file (or the given one).
    bool CreateSession();
    bool CreateSession(const ServerAddress& server);

    // Request channel.
    std::string MakeSessionToken();
    CHttpRequest* OpenScriptRequest(const std::string& path);
    int PostForm(const std::string& script, const std::string& body);
    // The save script's body: prefix in one piece, then the text in pieces of at most 4096
    // bytes, onPiece(position, range) before each piece. Returns 1 when the first reply line
    // is "OK", else 0 with m_strLastError set. Closes the request.
    using PieceCallback = std::function<void(int position, int range)>;
    int PostStreamed(const std::string& script, const std::string& prefix, std::string_view text,
                     const PieceCallback& onPiece);
    bool ReadReplyLine(std::string& line);
    std::string ReadReplyBytes(std::size_t n);
    std::string ReadRemainingLines();
    void CloseRequest();
    static std::string InternetErrorText(const std::string& platformText);

    std::string ServerSetting() const;

    // Members the other layers read.
    std::unique_ptr<CInternetSession> m_pSession;
    std::unique_ptr<CHttpConnection> m_pConnection;
    std::unique_ptr<CHttpRequest> m_pRequest;
    std::string m_strLastError;
    std::string m_strScriptBase;
    std::string m_strAccount;
    std::string m_strIdentity;
    CCipherEnvelope m_keyHolder;
    CTokenSealer m_tokenSealer;
    std::string m_strIniPath;
    std::function<std::time_t()> m_clock; // seconds since 1970, for tokens and the identity

private:
    ServerAddress m_server;
    std::unique_ptr<CSingleInstance> m_singleInstance;
};

} // namespace qb
