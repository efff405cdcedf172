#pragma once
// What one script request gave, owned by the caller once the request is closed: how it
// ended (a typed channel error and the text the user is shown for it, worded here and
// nowhere else), the HTTP status, and the reply: its status line, then further lines or
// raw bytes as the caller asks for them.

#include "Reply.h"

#include <functional>
#include <string>

namespace qb {

inline constexpr const char* kErrorCannotConnect = "ERROR: Cannot connect to the server.";
inline constexpr const char* kErrorNotResponding = "ERROR: Server not responding.";
inline constexpr const char* kErrorCertificate =
    "ERROR: The server's certificate could not be verified, so nothing was sent. If the server "
    "uses a private certificate authority, name its certificate file in CaFile= in Quillbox.ini.";
inline constexpr const char* kErrorInternet = "ERROR: Please make sure Quillbox is allowed to access the Internet.";
inline constexpr const char* kErrorCancelled = "The request was cancelled.";
// What starts every refusal the server words itself.
inline constexpr const char* kRefusalPrefix = "ERROR: ";

enum class ChannelError {
    None,       // status 200 and the script's success in the status line
    NoSession,  // no session was ever made: nothing was sent and there is nothing to say
    NotOpened,  // the request could not be made
    CannotConnect, // the server refused the connection, could not be reached or found
    Platform,   // sending or receiving failed, or the connection was reset
    TimedOut,   // connected, then no byte moved either way for the stall time
    Cancelled,  // the user stopped waiting: the server may still have done what was asked
    Certificate, // an https server whose certificate the trusted store does not vouch for
    HttpStatus, // a status other than 200
    Refused,    // the status line is not the script's success: the server's lines tell why
};

class ScriptReply {
public:
    // A request that ended before a reply: detail is the platform's text, for logs.
    static ScriptReply Failed(ChannelError error, std::string detail = {});
    // A reply that came back: its first line is read at once as the status line and the
    // judge names what status and status line make of it.
    using Judge = std::function<ChannelError(long status, const std::string& statusLine)>;
    static ScriptReply Received(long status, std::string body, const Judge& judge);

    bool Ok() const { return m_error == ChannelError::None; }
    ChannelError Error() const { return m_error; }
    long Status() const { return m_status; } // 0 when no reply came back
    // The text for the user: "" when Ok, else the failure's message.
    std::string UserText() const;
    // The text for a message box: a refusal in the server's plain words, without the
    // protocol's "ERROR: " and trailing line ends (logs keep UserText()); the rest as
    // UserText().
    std::string ShownText() const;
    // The platform's own words on a failed transfer ("" otherwise): for logs, never shown
    // in place of UserText().
    const std::string& Detail() const { return m_detail; }

    const std::string& FirstLine() const { return m_firstLine; }
    // The next line after what was read (no LF, no CR); false at the end.
    bool ReadLine(std::string& line) { return m_reader.ReadLine(line); }
    // Up to n raw bytes from where reading stands, carriage returns kept.
    std::string ReadBytes(std::size_t n) { return m_reader.Read(n); }
    // "\n" + each further line + "\n" after each; "\n" alone when none is left.
    std::string RemainingLines() { return m_reader.ReadRemainingLines(); }
    // The lines after the status line, for a caller that walks them itself.
    ReplyReader& Lines() { return m_reader; }

private:
    ScriptReply(ChannelError error, long status) : m_error(error), m_status(status) {}

    ChannelError m_error = ChannelError::None;
    long m_status = 0;
    std::string m_detail;
    std::string m_firstLine;
    ReplyReader m_reader;
};

// The platform's error text with trailing white space dropped and "." added; "Unknown
// error." when it has none.
std::string InternetErrorText(const std::string& platformText);

} // namespace qb
