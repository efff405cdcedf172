#include "ScriptReply.h"

#include <cctype>
#include <string_view>

namespace qb {

ScriptReply ScriptReply::Failed(ChannelError error, std::string detail)
{
    ScriptReply reply(error, 0);
    reply.m_detail = std::move(detail);
    return reply;
}

ScriptReply ScriptReply::Received(long status, std::string body, const Judge& judge)
{
    ScriptReply reply(ChannelError::None, status);
    reply.m_reader = ReplyReader(std::move(body));
    reply.m_reader.ReadLine(reply.m_firstLine);
    reply.m_error = judge(status, reply.m_firstLine);
    return reply;
}

std::string ScriptReply::UserText() const
{
    switch (m_error) {
    case ChannelError::None:
    case ChannelError::NoSession: return {};
    case ChannelError::NotOpened: return kErrorNotResponding;
    case ChannelError::CannotConnect: return kErrorCannotConnect;
    case ChannelError::TimedOut: return kErrorNotResponding;
    case ChannelError::Platform: return kErrorInternet;
    case ChannelError::Cancelled: return kErrorCancelled;
    case ChannelError::Certificate: return kErrorCertificate;
    case ChannelError::HttpStatus: return "ERROR: Error code " + std::to_string(m_status);
    case ChannelError::Refused: {
        // The status line and every further line, whatever the caller has read since.
        ReplyReader whole(m_reader.Body());
        std::string first;
        whole.ReadLine(first);
        return first + whole.ReadRemainingLines();
    }
    }
    return {};
}

std::string ScriptReply::ShownText() const
{
    std::string text = UserText();
    if (m_error != ChannelError::Refused)
        return text;
    if (text.rfind(kRefusalPrefix, 0) == 0)
        text.erase(0, std::string_view(kRefusalPrefix).size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string InternetErrorText(const std::string& platformText)
{
    std::string text = platformText;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text.empty() ? std::string("Unknown error.") : text + ".";
}

} // namespace qb
