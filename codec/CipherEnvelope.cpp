#include "CipherEnvelope.h"

#include "Base64.h"
#include "FormatConstants.h"

#include <algorithm>
#include <cstring>

namespace qb {
namespace {

// Built once and only read afterwards: safe to share between threads.
const CAesCipher& HeaderCipher()
{
    static const CAesCipher cipher = [] {
        CAesCipher made;
        static_cast<void>(made.SetKeyLength(256)); // a valid length cannot fail
        made.SetKey(kHeaderKey);
        static_cast<void>(made.Expand(kHeaderBlockWords)); // keyed just above
        return made;
    }();
    return cipher;
}

EnvelopeError FromSealError(SealError error)
{
    switch (error) {
    case SealError::TooLarge: return EnvelopeError::TooLarge;
    case SealError::WrongKey: return EnvelopeError::WrongKey;
    case SealError::TooShort:
    case SealError::BadBlockLength:
    case SealError::BadLength: return EnvelopeError::Damaged;
    case SealError::NoCipher:
    case SealError::KeyNotSet: break;
    }
    return EnvelopeError::NoOpenKey;
}

} // namespace

Result<DecodedEnvelope, EnvelopeError> DecodeEnvelope(std::string_view text)
{
    Bytes envelope = DecodeBase64(text);
    // The decoder skips what is outside its alphabet, so only a failed read says whether
    // the text was envelope text at all.
    const bool shortEnvelope = envelope.size() <= kEnvelopePrefixSize;
    if (shortEnvelope || std::memcmp(envelope.data(), kEnvelopeMagic.data(), kEnvelopeMagic.size()) != 0) {
        if (!IsBase64Text(text))
            return Fail(EnvelopeError::NotText);
        return Fail(shortEnvelope ? EnvelopeError::TooShort : EnvelopeError::BadMagic);
    }
    std::array<std::uint8_t, kEnvelopeHeaderSize> header{};
    std::memcpy(header.data(), envelope.data() + 4, header.size());
    aes::DecryptBlock(HeaderCipher(), header.data());
    // Bytes 16-30 hold the name; whatever decrypted there is taken up to its first NUL.
    const char* name = reinterpret_cast<const char*>(header.data() + 16);
    std::string keyName(name, strnlen(name, kKeyNameMax));
    return DecodedEnvelope{std::move(envelope), std::move(keyName)};
}

void CCipherEnvelope::PrepareDocumentKey(CAesCipher& cipher, std::string_view keyText)
{
    // Document keys always use the default 256-bit length: short texts take the filler.
    const std::string_view text = keyText.substr(0, std::min(keyText.size(), kDocumentKeyTextMax));
    cipher.SetKey(AsBytes(text));
    static_cast<void>(cipher.Expand(kDocumentBlockWords)); // SetKey always leaves key bytes
}

void CCipherEnvelope::SetSaveKey(std::string_view name, std::string_view keyText)
{
    PrepareDocumentKey(m_saveKey.cipher, keyText);
    m_saveKey.name = std::string(name.substr(0, std::min(name.size(), kKeyNameMax)));

    m_header.fill(0);
    const std::size_t reserved = std::min(m_reservedText.size(), kKeyNameMax);
    std::memcpy(m_header.data(), m_reservedText.data(), reserved);
    std::memcpy(m_header.data() + 16, m_saveKey.name.data(), m_saveKey.name.size());
    aes::EncryptBlock(HeaderCipher(), m_header.data());
}

void CCipherEnvelope::SetOpenKey(std::string_view keyText)
{
    PrepareDocumentKey(m_openKey, keyText);
}

Result<std::string, EnvelopeError> CCipherEnvelope::Wrap(ByteView document) const
{
    if (!HasSaveKey())
        return Fail(EnvelopeError::NoSaveKey);
    const auto sealed = CBlockSealer(&m_saveKey.cipher).Seal(document);
    if (!sealed)
        return Fail(FromSealError(sealed.error()));
    Bytes envelope;
    envelope.reserve(kEnvelopePrefixSize + sealed->size());
    envelope.insert(envelope.end(), kEnvelopeMagic.begin(), kEnvelopeMagic.end());
    envelope.insert(envelope.end(), m_header.begin(), m_header.end());
    envelope.insert(envelope.end(), sealed->begin(), sealed->end());
    return EncodeBase64(envelope, kEnvelopeLineLength);
}

Result<Bytes, EnvelopeError> CCipherEnvelope::ReadEnvelope(std::string_view text)
{
    auto decoded = DecodeEnvelope(text);
    if (!decoded)
        return Fail(decoded.error());
    m_lastKeyName = std::move(decoded->keyName);
    return std::move(decoded->bytes);
}

Result<Bytes, EnvelopeError> CCipherEnvelope::OpenEnvelope(ByteView envelope) const
{
    if (!HasOpenKey())
        return Fail(EnvelopeError::NoOpenKey);
    if (envelope.size() <= kEnvelopePrefixSize)
        return Fail(EnvelopeError::TooShort);
    auto document = CBlockSealer(&m_openKey).Unseal(envelope.subspan(kEnvelopePrefixSize));
    if (!document)
        return Fail(FromSealError(document.error()));
    return std::move(*document);
}

} // namespace qb
