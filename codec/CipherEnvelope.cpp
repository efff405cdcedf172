#include "CipherEnvelope.h"

#include "Base64.h"
#include "FormatConstants.h"

#include <algorithm>
#include <cstring>

namespace qb {

CCipherEnvelope::CCipherEnvelope()
{
    m_headerKey.SetKeyLength(256);
    m_headerKey.SetKey(kHeaderKey);
    m_headerKey.Expand(kHeaderBlockWords);
    m_headerBlock.SetBlockLength(kHeaderBlockWords);
    m_headerBlock.AttachCipher(&m_headerKey);
}

int CCipherEnvelope::PrepareDocumentKey(CAesCipher& cipher, std::string_view keyText)
{
    // Document keys always use the default 256-bit length: short texts take the filler.
    const std::string_view text = keyText.substr(0, std::min(keyText.size(), kDocumentKeyTextMax));
    if (cipher.SetKey(AsBytes(text)) != CAesCipher::kOk)
        return 0;
    return cipher.Expand(kDocumentBlockWords) == CAesCipher::kOk ? 1 : 0;
}

int CCipherEnvelope::SetSaveKey(std::string_view name, std::string_view keyText)
{
    if (!PrepareDocumentKey(m_saveKey.cipher, keyText))
        return 0;
    m_saveKey.name = std::string(name.substr(0, std::min(name.size(), kKeyNameMax)));

    m_header.fill(0);
    const std::size_t reserved = std::min(m_reservedText.size(), kKeyNameMax);
    std::memcpy(m_header.data(), m_reservedText.data(), reserved);
    std::memcpy(m_header.data() + 16, m_saveKey.name.data(), m_saveKey.name.size());
    m_headerBlock.Bind(m_header.data());
    m_headerBlock.EncryptBlock();
    return 1;
}

int CCipherEnvelope::SetOpenKey(std::string_view keyText)
{
    return PrepareDocumentKey(m_openKey, keyText);
}

std::optional<std::string> CCipherEnvelope::Wrap(ByteView document)
{
    if (!HasSaveKey())
        return std::nullopt;
    SetCipher(&m_saveKey.cipher);
    const auto sealed = Seal(document);
    if (!sealed)
        return std::nullopt;
    Bytes envelope;
    envelope.reserve(kEnvelopePrefixSize + sealed->size());
    envelope.insert(envelope.end(), kEnvelopeMagic.begin(), kEnvelopeMagic.end());
    envelope.insert(envelope.end(), m_header.begin(), m_header.end());
    envelope.insert(envelope.end(), sealed->begin(), sealed->end());
    return EncodeBase64(envelope, kEnvelopeLineLength);
}

std::optional<Bytes> CCipherEnvelope::ReadEnvelope(std::string_view text)
{
    Bytes envelope = DecodeBase64(text);
    if (envelope.size() <= kEnvelopePrefixSize
        || std::memcmp(envelope.data(), kEnvelopeMagic.data(), kEnvelopeMagic.size()) != 0)
        return std::nullopt;
    std::array<std::uint8_t, kEnvelopeHeaderSize> header{};
    std::memcpy(header.data(), envelope.data() + 4, header.size());
    m_headerBlock.Bind(header.data());
    m_headerBlock.DecryptBlock();
    // Bytes 16-30 hold the name; whatever decrypted there is taken up to its first NUL.
    const char* name = reinterpret_cast<const char*>(header.data() + 16);
    m_lastKeyName.assign(name, strnlen(name, kKeyNameMax));
    return envelope;
}

std::optional<Bytes> CCipherEnvelope::OpenEnvelope(ByteView envelope)
{
    if (!HasOpenKey() || envelope.size() <= kEnvelopePrefixSize)
        return std::nullopt;
    SetCipher(&m_openKey);
    return Unseal(envelope.subspan(kEnvelopePrefixSize));
}

} // namespace qb
