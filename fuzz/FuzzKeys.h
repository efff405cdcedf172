#pragma once
// The key the cipher targets open with, shared with the seed generator so that its seeds
// get past the key check and reach what lies behind it.

#include "codec/AesCipher.h"

#include <string_view>

namespace qb::fuzz {

inline constexpr std::string_view kKeyText = "fuzz key";
inline constexpr std::string_view kKeyName = "fuzz";

inline CAesCipher MakeCipher(int blockWords)
{
    CAesCipher cipher;
    cipher.SetKey(AsBytes(kKeyText));
    static_cast<void>(cipher.Expand(blockWords));
    return cipher;
}

} // namespace qb::fuzz
