#pragma once
// The program's one application object: session values, the request channel, the key
// holder shared by every editor, the settings path.

#include "HttpChannel.h"
#include "RequestWaiter.h"
#include "ScriptReply.h"

#include "codec/CipherEnvelope.h"
#include "codec/SessionToken.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace qb {

class CSingleInstance;

// Where the server is looked for when the settings file names none.
inline constexpr const char* kDefaultServer = "127.0.0.1:8080";

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
    // account, then the main window. Always false: the program ends after.
    bool InitInstance(IAppShell& shell);
    int ExitInstance();
    // A session for the server named in the settings file (or the given one).
    bool CreateSession();
    bool CreateSession(const ServerAddress& server);

    // Request channel: one blocking request per call, closed before the reply is handed
    // back. The script is a name of app/RequestBodies.h; its status line is judged by its
    // own rule ("OK", or "OK n" for the open script).
    ScriptReply Post(std::string_view script, const std::string& body);
    // The save script's body: prefix in one piece, then the text in pieces of at most 4096
    // bytes, onPiece(position, range) before each piece.
    using PieceCallback = std::function<void(int position, int range)>;
    ScriptReply PostStreamed(std::string_view script, const std::string& prefix, std::string_view text,
                             const PieceCallback& onPiece);
    std::string MakeSessionToken();

    // Session values.
    const std::string& Account() const { return m_account; }
    void SetAccount(std::string account) { m_account = std::move(account); }
    const std::string& Identity() const { return m_identity; }
    // Set at start-up from the computer's name and the time; tests name one themselves.
    void SetIdentity(std::string identity) { m_identity = std::move(identity); }
    const std::string& IniPath() const { return m_iniPath; }
    void SetIniPath(std::string path) { m_iniPath = std::move(path); }
    // Server= of the settings file, else kDefaultServer.
    std::string ServerSetting() const;
    CCipherEnvelope& KeyHolder() { return m_keyHolder; }

    // For tests: the clock behind tokens and the identity (seconds since 1970), and how
    // long a transfer may go without a byte moving.
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }
    void SetStallSeconds(long seconds);
    // Requests run on a thread of their own while the waiter waits; nullptr runs them on the
    // caller's thread.
    void SetWaiter(IRequestWaiter* waiter) { m_waiter = waiter; }

private:
    // Opens the script's request, sends through `send` and closes the request. A completed
    // transfer comes back as it is; anything else as the failed reply.
    // Relay hands work to the caller's thread (a progress bar is the window's).
    using Relay = std::function<void(std::function<void()>)>;
    using Send = std::function<TransferResult(CHttpRequest&, const Relay&)>;
    std::variant<TransferResult, ScriptReply> Transfer(std::string_view script, const Send& send);

    std::unique_ptr<CInternetSession> m_session;
    ServerAddress m_server;
    long m_stallSeconds = 60;
    std::string m_scriptBase;
    std::string m_account;
    std::string m_identity;
    CCipherEnvelope m_keyHolder;
    CTokenSealer m_tokenSealer;
    std::string m_iniPath;
    std::function<std::time_t()> m_clock;
    std::unique_ptr<CSingleInstance> m_singleInstance;
    IRequestWaiter* m_waiter = nullptr;
};

} // namespace qb
