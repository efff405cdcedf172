#pragma once
// Splits RTF bytes into tokens: groups, control words with their optional parameter,
// control symbols, text runs and \bin data. Never reads past the input.

#include <cstdint>
#include <string_view>

namespace qb::rtf {

enum class TokenType { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, Text, BinaryData };

struct Token {
    TokenType type = TokenType::End;
    std::string_view word; // control word name, symbol character, text run or \bin data
    bool hasParam = false;
    std::int32_t param = 0; // clamped to the 32-bit range
};

// The value of one hex digit, or -1.
inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Tokenizer {
public:
    explicit Tokenizer(std::string_view input) : m_in(input) {}
    Token Next();
    std::size_t Position() const { return m_pos; }
    bool AtEnd() const { return m_pos >= m_in.size(); }

private:
    std::string_view m_in;
    std::size_t m_pos = 0;
};

} // namespace qb::rtf
