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

enum class EnvelopeError {
    NoSaveKey, // Wrap before a save key was set
    TooLarge,  // Wrap: the document is too large to seal
    NotText,   // Read: characters that envelope text never holds (and no envelope inside)
    TooShort,  // Read or Open: no more than the 40 prefix bytes
    BadMagic,  // Read: does not start with "PLV4"
    NoOpenKey, // Open before an open key was set
    WrongKey,  // Open: the open key is not the one the note was sealed with
    Damaged,   // Open: the sealed body's header or size is damaged
};

// Decoded envelope bytes (magic and header included) and the key name from the header.
struct DecodedEnvelope {
    Bytes bytes;
    std::string keyName;
};

// Reads only the fixed header key, so any thread may call it.
Result<DecodedEnvelope, EnvelopeError> DecodeEnvelope(std::string_view text);

struct CNamedKey {
    CAesCipher cipher;
    std::string name; // at most kKeyNameMax characters
};

class CCipherEnvelope {
public:
    CCipherEnvelope() = default;
    CCipherEnvelope(const CCipherEnvelope&) = delete;
    CCipherEnvelope& operator=(const CCipherEnvelope&) = delete;

    // Any text makes a key: it is cut to 32 characters and completed with the key filler.
    void SetSaveKey(std::string_view name, std::string_view keyText);
    void SetOpenKey(std::string_view keyText);
    bool HasSaveKey() const { return m_saveKey.cipher.IsExpanded(); }
    bool HasOpenKey() const { return m_openKey.IsExpanded(); }
    const std::string& SaveKeyName() const { return m_saveKey.name; }
    const std::string& LastKeyName() const { return m_lastKeyName; }

    // Envelope text in lines of 72 characters.
    Result<std::string, EnvelopeError> Wrap(ByteView document) const;
    // Decoded envelope bytes (magic and header included); sets LastKeyName.
    Result<Bytes, EnvelopeError> ReadEnvelope(std::string_view text);
    // The document inside decoded envelope bytes.
    Result<Bytes, EnvelopeError> OpenEnvelope(ByteView envelope) const;

private:
    static void PrepareDocumentKey(CAesCipher& cipher, std::string_view keyText);

    CNamedKey m_saveKey;
    CAesCipher m_openKey;
    std::array<std::uint8_t, kEnvelopeHeaderSize> m_header{};
    std::string m_reservedText; // first half of every header; nothing sets it
    std::string m_lastKeyName;
};

} // namespace qb
