#pragma once
// Reading a server reply: lines end at LF and never hold a CR; raw reads after the status
// line deliver bytes unchanged. Judging status lines. All plain text work.

#include <optional>
#include <string>
#include <string_view>

namespace qb {

class ReplyReader {
public:
    ReplyReader() = default;
    explicit ReplyReader(std::string body) : m_body(std::move(body)) {}

    // The next line without its LF and with every CR dropped; false at the end.
    bool ReadLine(std::string& line);
    // Up to n raw bytes from where reading stands.
    std::string Read(std::size_t n);
    // "\n" + each further line + "\n" after each; "\n" alone when none is left.
    std::string ReadRemainingLines();
    bool AtEnd() const { return m_pos >= m_body.size(); }
    const std::string& Body() const { return m_body; }

private:
    std::string m_body;
    std::size_t m_pos = 0;
};

// Every script but the open script: the first line is exactly "OK".
bool IsOkStatus(std::string_view line);
// The open script: "OK", optional white space, a decimal integer (sign allowed), anything
// after it ignored; the count of document bytes when it is 0 or more.
std::optional<long long> ParseOpenStatus(std::string_view line);

} // namespace qb
