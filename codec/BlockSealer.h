#pragma once
// Encrypts a whole buffer into the sealed-buffer format (8-byte clear header, then ECB
// blocks of the plaintext followed by the "pLv" trailer and zero padding) and back.

#include "AesCipher.h"

namespace qb {

enum class SealError {
    NoCipher,       // no cipher selected
    KeyNotSet,      // Seal: the cipher has no schedule; Unseal: it has no key bytes
    TooLarge,       // Seal: more bytes than the 32-bit length field can declare
    TooShort,       // Unseal: no body after the 8-byte header
    BadBlockLength, // Unseal: the header's block length is not 4, 6 or 8 words
    BadLength,      // Unseal: the body's size does not match the declared length
    WrongKey,       // Unseal: key check byte, key length byte or trailer differ; a body
                    // damaged inside its blocks fails the trailer test and shows here too
};

// Reads the cipher it is given and never changes it, so one expanded cipher serves any
// number of threads.
class CBlockSealer {
public:
    explicit CBlockSealer(const CAesCipher* cipher = nullptr) : m_cipher(cipher) {}

    // The cipher is not owned.
    void SetCipher(const CAesCipher* cipher) { m_cipher = cipher; }
    const CAesCipher* Cipher() const { return m_cipher; }

    Result<Bytes, SealError> Seal(ByteView data) const;
    // Never returns part of a plaintext. A buffer sealed with another block length than the
    // cipher's schedule is opened with a schedule of its own, expanded for it.
    Result<Bytes, SealError> Unseal(ByteView sealed) const;

    static std::uint8_t KeyCheckByte(ByteView key);

private:
    const CAesCipher* m_cipher = nullptr;
};

} // namespace qb
