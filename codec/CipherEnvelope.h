#pragma once
// The key holder: the keys typed during this run, and the envelope that carries a note.
// Envelope bytes: "PLV4", a 36-byte header (reserved text and key name, one 256-bit block
// under the fixed header key, then 4 zero bytes), then the sealed document.

#include "BlockSealer.h"

#include <array>

namespace qb {

inline constexpr std::size_t kKeyNameMax = 15;
inline constexpr std::size_t kDocumentKeyTextMax = 32;
inline constexpr std::size_t kEnvelopeHeaderSize = 36;
inline constexpr std::size_t kEnvelopePrefixSize = 4 + kEnvelopeHeaderSize;

struct CNamedKey {
    CAesCipher cipher;
    std::string name; // at most kKeyNameMax characters
};

class CCipherEnvelope : public CBlockSealer {
public:
    CCipherEnvelope();
    CCipherEnvelope(const CCipherEnvelope&) = delete;
    CCipherEnvelope& operator=(const CCipherEnvelope&) = delete;

    int SetSaveKey(std::string_view name, std::string_view keyText);
    int SetOpenKey(std::string_view keyText);
    bool HasSaveKey() const { return m_saveKey.cipher.IsExpanded(); }
    bool HasOpenKey() const { return m_openKey.IsExpanded(); }
    const std::string& SaveKeyName() const { return m_saveKey.name; }
    const std::string& LastKeyName() const { return m_lastKeyName; }

    // Envelope text in lines of 72 characters, or nothing without a save key.
    std::optional<std::string> Wrap(ByteView document);
    // Decoded envelope bytes (magic and header included); sets LastKeyName.
    std::optional<Bytes> ReadEnvelope(std::string_view text);
    // The document inside decoded envelope bytes, or nothing for a wrong key or damage.
    std::optional<Bytes> OpenEnvelope(ByteView envelope);

private:
    static int PrepareDocumentKey(CAesCipher& cipher, std::string_view keyText);

    CNamedKey m_saveKey;
    CAesCipher m_openKey;
    CAesCipher m_headerKey;
    CAesBlock m_headerBlock;
    std::array<std::uint8_t, kEnvelopeHeaderSize> m_header{};
    std::string m_reservedText; // first half of every header; nothing sets it
    std::string m_lastKeyName;
};

} // namespace qb
