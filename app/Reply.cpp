#include "Reply.h"

#include <cctype>
#include <limits>

namespace qb {

bool ReplyReader::ReadLine(std::string& line)
{
    if (m_pos >= m_body.size())
        return false;
    line.clear();
    const std::size_t end = m_body.find('\n', m_pos);
    const std::size_t stop = end == std::string::npos ? m_body.size() : end;
    for (std::size_t i = m_pos; i < stop; ++i) {
        if (m_body[i] != '\r')
            line += m_body[i];
    }
    m_pos = end == std::string::npos ? m_body.size() : end + 1;
    return true;
}

std::string ReplyReader::Read(std::size_t n)
{
    const std::size_t take = std::min(n, m_body.size() - std::min(m_pos, m_body.size()));
    std::string bytes = m_body.substr(m_pos, take);
    m_pos += take;
    return bytes;
}

std::string ReplyReader::ReadRemainingLines()
{
    std::string text = "\n";
    for (std::string line; ReadLine(line);)
        text += line + "\n";
    return text;
}

bool IsOkStatus(std::string_view line)
{
    return line == "OK";
}

std::optional<long long> ParseOpenStatus(std::string_view line)
{
    if (line.substr(0, 2) != "OK")
        return std::nullopt;
    std::size_t i = 2;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    if (i >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i])))
        return std::nullopt;
    long long value = 0;
    for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); ++i) {
        if (value > (std::numeric_limits<int>::max() - (line[i] - '0')) / 10)
            return std::nullopt; // beyond what "%d" holds
        value = value * 10 + (line[i] - '0');
    }
    if (negative)
        return value == 0 ? std::optional<long long>(0) : std::nullopt;
    return value;
}

} // namespace qb
