#include "SessionToken.h"

#include "Base64.h"
#include "FormatConstants.h"

#include <cstdio>

namespace qb {

CTokenSealer::CTokenSealer()
{
    m_cipher.SetKeyText(kTokenKeyText); // 8 characters choose a 128-bit key
    static_cast<void>(m_cipher.Expand(kTokenBlockWords)); // keyed just above
}

std::string FormatTokenText(std::time_t now, std::string_view account)
{
    char stamp[8];
    std::snprintf(stamp, sizeof stamp, "%04d", static_cast<int>(now % 10000));
    return std::string(stamp) + "|" + std::string(account);
}

std::string CTokenSealer::Seal(std::string_view tokenText) const
{
    const auto sealed = CBlockSealer(&m_cipher).Seal(AsBytes(tokenText));
    return sealed ? EncodeBase64(*sealed, 0) : std::string();
}

Result<SessionTokenText, TokenError> CTokenSealer::Unseal(std::string_view token) const
{
    const auto plain = CBlockSealer(&m_cipher).Unseal(DecodeBase64(token));
    if (!plain)
        return Fail(TokenError::DoesNotOpen);
    const std::string text = AsText(*plain);
    if (text.size() < 5 || text[4] != '|')
        return Fail(TokenError::BadForm);
    for (std::size_t i = 0; i < 4; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return Fail(TokenError::BadForm);
    }
    if (text.size() == 5)
        return Fail(TokenError::NoAccount);
    return SessionTokenText{text.substr(0, 4), text.substr(5)};
}

} // namespace qb
