#pragma once
// The URL-safe Base64 variant that carries every byte buffer inside a form field.
// Its alphabet puts "_" at 62 and "-" at 63 (the reverse of RFC 4648 base64url), always
// ends with one extra "=" terminator, and breaks lines with a single LF.

#include "Bytes.h"

namespace qb {

inline constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";

// lineLength 0 gives one line; otherwise an LF follows every complete run of lineLength
// characters.
std::string EncodeBase64(ByteView data, std::size_t lineLength = 0);

// Never fails: reads up to the first NUL or "=", skips every character outside the
// alphabet (line breaks, blanks, bytes 0x80-0xFF) and drops a lone trailing sextet.
Bytes DecodeBase64(std::string_view text);

// True when everything DecodeBase64 would read is alphabet characters, line breaks, blanks
// or tabs: text that was meant as this codec's output, as opposed to, say, an error page.
bool IsBase64Text(std::string_view text);

} // namespace qb
