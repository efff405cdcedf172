#include "SessionToken.h"

#include "Base64.h"
#include "FormatConstants.h"

#include <cstdio>

namespace qb {

void PrepareTokenCipher(CAesCipher& cipher)
{
    cipher.SetKeyLength(256);
    cipher.SetKeyText(kTokenKeyText); // 8 characters choose a 128-bit key
    cipher.Expand(kTokenBlockWords);
}

std::string FormatTokenText(std::time_t now, std::string_view account)
{
    char stamp[8];
    std::snprintf(stamp, sizeof stamp, "%04d", static_cast<int>(now % 10000));
    return std::string(stamp) + "|" + std::string(account);
}

std::string SealSessionToken(const CBlockSealer& sealer, std::string_view text)
{
    const auto sealed = sealer.Seal(AsBytes(text));
    return sealed ? EncodeBase64(*sealed, 0) : std::string();
}

std::optional<SessionTokenText> OpenSessionToken(const CBlockSealer& sealer, std::string_view token)
{
    const auto plain = sealer.Unseal(DecodeBase64(token));
    if (!plain)
        return std::nullopt;
    const std::string text = AsText(*plain);
    const auto bar = text.find('|');
    if (bar != 4)
        return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    }
    return SessionTokenText{text.substr(0, 4), text.substr(5)};
}

} // namespace qb
