#pragma once
// The session token that opens every request body: "%04d|account" (seconds since 1970
// modulo 10000, then the account), sealed with the fixed token cipher, one Base64 line.
// The client makes it; the server opens it to learn the account.

#include "BlockSealer.h"

#include <ctime>

namespace qb {

std::string FormatTokenText(std::time_t now, std::string_view account);

struct SessionTokenText {
    std::string stamp;   // the four digits
    std::string account; // everything after the bar
};

enum class TokenError {
    DoesNotOpen, // not sealed with the token cipher, or damaged
    BadForm,     // opens, but is not four digits, a bar and the account
    NoAccount,   // well formed, but names no account
};

// The token cipher (key text "Quillbox", a filled 128-bit key, 192-bit blocks) as a value.
// Seal and Unseal only read it: one instance serves every thread.
class CTokenSealer {
public:
    CTokenSealer();

    // One Base64 line; "" when sealing fails (the ID field is then sent empty).
    std::string Seal(std::string_view tokenText) const;
    Result<SessionTokenText, TokenError> Unseal(std::string_view token) const;

    const CAesCipher& Cipher() const { return m_cipher; }

private:
    CAesCipher m_cipher;
};

} // namespace qb
