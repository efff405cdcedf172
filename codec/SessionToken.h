#pragma once
// The session token that opens every request body: "%04d|account" (seconds since 1970
// modulo 10000, then the account), sealed with the fixed token cipher, one Base64 line.
// The client makes it; the server opens it to learn the account.

#include "BlockSealer.h"

#include <ctime>

namespace qb {

// The token cipher: key text "Quillbox" (a filled 128-bit key), 192-bit blocks.
void PrepareTokenCipher(CAesCipher& cipher);

std::string FormatTokenText(std::time_t now, std::string_view account);
// "" when the account is empty or sealing fails; the ID field is then sent empty.
std::string SealSessionToken(const CBlockSealer& sealer, std::string_view text);

struct SessionTokenText {
    std::string stamp;   // the four digits
    std::string account; // everything after the bar
};

// Opens a token with a token cipher; nothing for a token that does not open or parse.
std::optional<SessionTokenText> OpenSessionToken(const CBlockSealer& sealer, std::string_view token);

} // namespace qb
