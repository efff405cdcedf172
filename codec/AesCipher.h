#pragma once
// Rijndael key and key schedule for 128/192/256-bit keys and 128/192/256-bit blocks.

#include "Bytes.h"
#include "Result.h"
#include "SecureWipe.h"

namespace qb {

enum class CipherError {
    BadKeyLength, // a key length other than 128, 192 or 256 bits
    NoKey,        // expanding without key bytes
    NotExpanded,  // a block bound to a cipher without a key schedule
};

// Key bytes and both schedules live in wiped storage: dropping or replacing a key, and
// destroying or copying the cipher, leave no copy of it in freed memory.
class CAesCipher {
public:
    using Schedule = std::vector<std::uint32_t, WipingAllocator<std::uint32_t>>;

    // Changes nothing on failure.
    Result<void, CipherError> SetKeyLength(int bits);
    // Replaces the key: the first Nk*4 bytes, completed with the key filler when shorter.
    void SetKey(ByteView bytes);
    void ClearKey();
    // Key length from the text length (1-23: 128, 24-31: 192, 32+: 256 bits); "" clears.
    void SetKeyText(std::string_view text);
    Result<void, CipherError> Expand(int blockWords);

    bool HasKey() const { return !m_key.empty(); }
    bool IsExpanded() const { return !m_encrypt.empty(); }
    int KeyLength() const { return m_nk; }
    int BlockLength() const { return m_nb; }
    int Rounds() const { return m_nr; }
    ByteView KeyBytes() const { return m_key; }

    // Round keys as column words (row r in bits 8r..8r+7), Nb*(Nr+1) of them; the
    // decryption schedule has InvMixColumns applied to its inner rounds.
    const std::uint32_t* EncryptSchedule() const { return m_encrypt.data(); }
    const std::uint32_t* DecryptSchedule() const { return m_decrypt.data(); }

private:
    void DropKey();

    SecureBytes m_key;
    int m_nk = 8;
    int m_nb = 0;
    int m_nr = 0;
    Schedule m_encrypt;
    Schedule m_decrypt;
};

// One block in place, bound to an expanded cipher. Neither the block nor the cipher is owned.
class CAesBlock {
public:
    void SetBlockLength(int words) { m_nb = words; }
    Result<void, CipherError> AttachCipher(const CAesCipher* cipher);
    void Bind(std::uint8_t* block) { m_block = block; }
    void EncryptBlock();
    void DecryptBlock();

private:
    std::uint8_t* m_block = nullptr;
    int m_nb = 4;
    const CAesCipher* m_cipher = nullptr;
};

namespace aes {
// The block functions behind CAesBlock, for callers that loop over many blocks.
void EncryptBlock(const CAesCipher& cipher, std::uint8_t* block);
void DecryptBlock(const CAesCipher& cipher, std::uint8_t* block);
} // namespace aes

} // namespace qb
