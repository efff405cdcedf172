#pragma once
// Encrypts a whole buffer into the sealed-buffer format (8-byte clear header, then ECB
// blocks of the plaintext followed by the "pLv" trailer and zero padding) and back.

#include "AesCipher.h"

#include <optional>

namespace qb {

class CBlockSealer {
public:
    // The cipher is not owned; Unseal may re-expand it for the block length it finds.
    void SetCipher(CAesCipher* cipher) { m_cipher = cipher; }
    CAesCipher* Cipher() const { return m_cipher; }

    std::optional<Bytes> Seal(ByteView data) const;
    // Fails on a wrong key (key check byte, then trailer), a damaged header or a body of
    // the wrong size; never returns part of a plaintext.
    std::optional<Bytes> Unseal(ByteView sealed) const;

    static std::uint8_t KeyCheckByte(ByteView key);

private:
    CAesCipher* m_cipher = nullptr;
};

} // namespace qb
