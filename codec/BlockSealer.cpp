#include "BlockSealer.h"

#include "FormatConstants.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace qb {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::uint8_t kFlagTail = 4;
constexpr std::size_t kTailSize = 4;

} // namespace

std::uint8_t CBlockSealer::KeyCheckByte(ByteView key)
{
    std::uint8_t check = 0;
    for (std::size_t i = 0; i < 8 && i < key.size(); ++i)
        check |= static_cast<std::uint8_t>(key[i] & (0x80u >> i));
    return check;
}

Result<Bytes, SealError> CBlockSealer::Seal(ByteView data) const
{
    if (!m_cipher)
        return Fail(SealError::NoCipher);
    if (!m_cipher->IsExpanded())
        return Fail(SealError::KeyNotSet);
    if (data.size() > 0xFFFFFFFFu - kSealTrailer.size())
        return Fail(SealError::TooLarge);
    const std::size_t length = data.size();
    const std::size_t blockSize = 4 * static_cast<std::size_t>(m_cipher->BlockLength());
    const std::size_t blocks = (length + kSealTrailer.size() + blockSize - 1) / blockSize;

    Bytes sealed(kHeaderSize + blocks * blockSize, 0);
    PutBigEndian32(sealed.data(), static_cast<std::uint32_t>(length));
    sealed[4] = static_cast<std::uint8_t>(m_cipher->BlockLength());
    sealed[5] = static_cast<std::uint8_t>(m_cipher->KeyLength());
    sealed[6] = 0;
    sealed[7] = KeyCheckByte(m_cipher->KeyBytes());
    std::copy(data.begin(), data.end(), sealed.begin() + kHeaderSize);
    std::memcpy(sealed.data() + kHeaderSize + length, kSealTrailer.data(), kSealTrailer.size());

    std::uint8_t* block = sealed.data() + kHeaderSize;
    for (std::size_t i = 0; i < blocks; ++i, block += blockSize)
        aes::EncryptBlock(*m_cipher, block);
    return sealed;
}

Result<Bytes, SealError> CBlockSealer::Unseal(ByteView sealed) const
{
    if (!m_cipher)
        return Fail(SealError::NoCipher);
    if (!m_cipher->HasKey())
        return Fail(SealError::KeyNotSet);
    if (sealed.size() <= kHeaderSize)
        return Fail(SealError::TooShort);
    std::size_t size = sealed.size();
    if (sealed[6] == kFlagTail)
        size -= std::min(size, kTailSize);
    if (size < kHeaderSize)
        return Fail(SealError::TooShort);
    if (sealed[7] != KeyCheckByte(m_cipher->KeyBytes()))
        return Fail(SealError::WrongKey);

    const int nb = sealed[4];
    if (nb != 4 && nb != 6 && nb != 8)
        return Fail(SealError::BadBlockLength);

    // 64-bit arithmetic: a length field near 2^32 cannot wrap into a plausible size.
    const std::uint64_t length = GetBigEndian32(sealed.data());
    const std::uint64_t blockSize = 4 * static_cast<std::uint64_t>(nb);
    const std::uint64_t blocks = (length + kSealTrailer.size() + blockSize - 1) / blockSize;
    if (size - kHeaderSize != blocks * blockSize)
        return Fail(SealError::BadLength);
    if (sealed[5] != m_cipher->KeyLength())
        return Fail(SealError::WrongKey);

    // The caller's cipher stays as it is (other threads may be reading it); another block
    // length gets a wiped copy of the key expanded for this buffer alone.
    const CAesCipher* cipher = m_cipher;
    std::optional<CAesCipher> expanded;
    if (!cipher->IsExpanded() || cipher->BlockLength() != nb) {
        expanded.emplace(*cipher);
        if (!expanded->Expand(nb))
            return Fail(SealError::KeyNotSet);
        cipher = &*expanded;
    }

    // The body size was checked against the input, so this allocation is bounded by it.
    Bytes plain(sealed.begin() + kHeaderSize, sealed.begin() + static_cast<std::ptrdiff_t>(size));
    std::uint8_t* block = plain.data();
    for (std::uint64_t i = 0; i < blocks; ++i, block += blockSize)
        aes::DecryptBlock(*cipher, block);
    if (std::memcmp(plain.data() + length, kSealTrailer.data(), kSealTrailer.size()) != 0)
        return Fail(SealError::WrongKey);
    plain.resize(static_cast<std::size_t>(length));
    return plain;
}

} // namespace qb
