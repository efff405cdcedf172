#include "RtfTokenizer.h"

#include <algorithm>
#include <climits>

namespace qb::rtf {
namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr std::size_t kMaxWord = 32; // longer names are not RTF: the rest reads as text

} // namespace

Token Tokenizer::Next()
{
    Token token;
    while (m_pos < m_in.size()) {
        const char c = m_in[m_pos];
        if (c == '{') {
            ++m_pos;
            token.type = TokenType::GroupStart;
            return token;
        }
        if (c == '}') {
            ++m_pos;
            token.type = TokenType::GroupEnd;
            return token;
        }
        if (c == '\\') {
            if (m_pos + 1 >= m_in.size()) {
                ++m_pos; // a lone backslash at the end
                return token;
            }
            const char next = m_in[m_pos + 1];
            if (!IsLetter(next)) {
                m_pos += 2;
                token.type = TokenType::ControlSymbol;
                token.word = m_in.substr(m_pos - 1, 1);
                if (next == '\'') {
                    // \'hh: one byte in hex; a malformed one is dropped.
                    int value = 0, digits = 0;
                    while (digits < 2 && m_pos < m_in.size() && HexValue(m_in[m_pos]) >= 0) {
                        value = value * 16 + HexValue(m_in[m_pos++]);
                        ++digits;
                    }
                    token.hasParam = digits == 2;
                    token.param = value;
                }
                return token;
            }
            std::size_t start = m_pos + 1;
            std::size_t end = start;
            while (end < m_in.size() && IsLetter(m_in[end]) && end - start < kMaxWord)
                ++end;
            token.type = TokenType::ControlWord;
            token.word = m_in.substr(start, end - start);
            std::size_t p = end;
            bool negative = false;
            if (p < m_in.size() && m_in[p] == '-' && p + 1 < m_in.size() && IsDigit(m_in[p + 1])) {
                negative = true;
                ++p;
            }
            if (p < m_in.size() && IsDigit(m_in[p])) {
                long long value = 0;
                while (p < m_in.size() && IsDigit(m_in[p])) {
                    if (value < INT_MAX)
                        value = value * 10 + (m_in[p] - '0');
                    ++p;
                }
                value = std::min<long long>(value, INT_MAX);
                token.hasParam = true;
                token.param = static_cast<std::int32_t>(negative ? -value : value);
            }
            if (p < m_in.size() && m_in[p] == ' ')
                ++p; // the delimiting space belongs to the control word
            m_pos = p;
            if (token.word == "bin" && token.hasParam && token.param > 0) {
                // Raw bytes follow; a length beyond the input takes what is there.
                const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(token.param), m_in.size() - m_pos);
                token.type = TokenType::BinaryData;
                token.word = m_in.substr(m_pos, length);
                m_pos += length;
            }
            return token;
        }
        if (c == '\r' || c == '\n') {
            ++m_pos; // line ends in RTF are not text
            continue;
        }
        std::size_t end = m_pos;
        while (end < m_in.size() && m_in[end] != '\\' && m_in[end] != '{' && m_in[end] != '}' && m_in[end] != '\r'
               && m_in[end] != '\n')
            ++end;
        token.type = TokenType::Text;
        token.word = m_in.substr(m_pos, end - m_pos);
        m_pos = end;
        return token;
    }
    return token;
}

} // namespace qb::rtf
