#include "AesCipher.h"

#include "AesTables.h"
#include "FormatConstants.h"

#include <algorithm>
#include <utility>

namespace qb {

Result<void, CipherError> CAesCipher::SetKeyLength(int bits)
{
    if (bits != 128 && bits != 192 && bits != 256)
        return Fail(CipherError::BadKeyLength);
    m_nk = bits / 32;
    return {};
}

void CAesCipher::DropKey()
{
    // Cleared vectors keep their blocks for the next key: overwrite them now.
    SecureWipe(m_key.data(), m_key.size());
    SecureWipe(m_encrypt.data(), m_encrypt.size() * sizeof(std::uint32_t));
    SecureWipe(m_decrypt.data(), m_decrypt.size() * sizeof(std::uint32_t));
    m_key.clear();
    m_encrypt.clear();
    m_decrypt.clear();
    m_nb = m_nr = 0;
}

void CAesCipher::ClearKey()
{
    DropKey();
    m_nk = 8;
}

void CAesCipher::SetKey(ByteView bytes)
{
    DropKey();
    const std::size_t size = static_cast<std::size_t>(m_nk) * 4;
    const std::size_t given = std::min(size, bytes.size());
    m_key.resize(size);
    std::copy_n(bytes.begin(), given, m_key.begin());
    // Short keys are completed with the start of the filler, never with zeros.
    std::copy_n(kKeyFiller.begin(), size - given, m_key.begin() + static_cast<std::ptrdiff_t>(given));
}

void CAesCipher::SetKeyText(std::string_view text)
{
    if (text.empty()) {
        ClearKey();
        return;
    }
    const std::size_t n = text.size();
    m_nk = n >= 32 ? 8 : n >= 24 ? 6 : 4;
    SetKey(AsBytes(text));
}

Result<void, CipherError> CAesCipher::Expand(int blockWords)
{
    if (m_key.empty())
        return Fail(CipherError::NoKey);
    const int nb = blockWords >= 8 ? 8 : blockWords >= 6 ? 6 : 4;
    const int nk = m_nk;
    const int nr = std::max(nk, nb) + 6;
    const int words = nb * (nr + 1);

    Schedule w(static_cast<std::size_t>(words));
    for (int i = 0; i < nk && i < words; ++i)
        w[i] = aes::Column(m_key[4 * i], m_key[4 * i + 1], m_key[4 * i + 2], m_key[4 * i + 3]);
    std::uint8_t rc = 1;
    auto subWord = [](std::uint32_t x) {
        return aes::Column(aes::kSbox[x & 0xFF], aes::kSbox[(x >> 8) & 0xFF], aes::kSbox[(x >> 16) & 0xFF],
                           aes::kSbox[x >> 24]);
    };
    for (int i = nk; i < words; ++i) {
        std::uint32_t temp = w[i - 1];
        if (i % nk == 0) {
            temp = subWord((temp >> 8) | (temp << 24)) ^ rc; // RotWord moves byte 1 to byte 0
            rc = aes::XTime(rc);
        } else if (nk == 8 && i % nk == 4) {
            temp = subWord(temp);
        }
        w[i] = w[i - nk] ^ temp;
    }

    // Decryption walks the rounds backwards; store them in that order.
    Schedule d(static_cast<std::size_t>(words));
    for (int round = 0; round <= nr; ++round) {
        const int from = (nr - round) * nb;
        for (int c = 0; c < nb; ++c) {
            const std::uint32_t k = w[from + c];
            d[round * nb + c] = (round == 0 || round == nr) ? k : aes::InvMixColumn(k);
        }
    }
    // The old schedules go back to the allocator here, which wipes them.
    m_encrypt = std::move(w);
    m_decrypt = std::move(d);
    m_nb = nb;
    m_nr = nr;
    return {};
}

namespace {

// Block byte r*Nb + c is state row r, column c (rows laid out one after another).
template <int Nb>
inline void LoadState(const std::uint8_t* block, std::uint32_t* s, const std::uint32_t* rk)
{
    for (int c = 0; c < Nb; ++c)
        s[c] = aes::Column(block[c], block[Nb + c], block[2 * Nb + c], block[3 * Nb + c]) ^ rk[c];
}

template <int Nb>
inline void StoreState(std::uint8_t* block, const std::uint32_t* s)
{
    for (int c = 0; c < Nb; ++c) {
        block[c] = static_cast<std::uint8_t>(s[c]);
        block[Nb + c] = static_cast<std::uint8_t>(s[c] >> 8);
        block[2 * Nb + c] = static_cast<std::uint8_t>(s[c] >> 16);
        block[3 * Nb + c] = static_cast<std::uint8_t>(s[c] >> 24);
    }
}

template <int Nb>
struct Shifts {
    static constexpr int c1 = 1;
    static constexpr int c2 = Nb == 8 ? 3 : 2;
    static constexpr int c3 = Nb == 8 ? 4 : 3;
};

// One full round with every column index fixed at compile time (the pack expansion unrolls
// the columns, so ShiftRows costs nothing): SubBytes, ShiftRows and MixColumns through
// the tables, then AddRoundKey. Decryption runs the same shape with inverse tables and
// right shifts.
template <int Nb, bool Inverse, std::size_t... C>
inline void Round(const std::uint32_t* s, std::uint32_t* t, const std::uint32_t* rk, std::index_sequence<C...>)
{
    using S = Shifts<Nb>;
    constexpr int d1 = Inverse ? Nb - S::c1 : S::c1;
    constexpr int d2 = Inverse ? Nb - S::c2 : S::c2;
    constexpr int d3 = Inverse ? Nb - S::c3 : S::c3;
    const auto& tables = Inverse ? aes::kDecrypt : aes::kEncrypt;
    ((t[C] = tables[0][s[C] & 0xFF] ^ tables[1][(s[(C + d1) % Nb] >> 8) & 0xFF]
         ^ tables[2][(s[(C + d2) % Nb] >> 16) & 0xFF] ^ tables[3][s[(C + d3) % Nb] >> 24] ^ rk[C]),
     ...);
}

template <int Nb, bool Inverse, std::size_t... C>
inline void LastRound(const std::uint32_t* s, std::uint32_t* t, const std::uint32_t* rk,
                      std::index_sequence<C...>)
{
    using S = Shifts<Nb>;
    constexpr int d1 = Inverse ? Nb - S::c1 : S::c1;
    constexpr int d2 = Inverse ? Nb - S::c2 : S::c2;
    constexpr int d3 = Inverse ? Nb - S::c3 : S::c3;
    const auto& box = Inverse ? aes::kInvSbox : aes::kSbox;
    ((t[C] = aes::Column(box[s[C] & 0xFF], box[(s[(C + d1) % Nb] >> 8) & 0xFF],
                         box[(s[(C + d2) % Nb] >> 16) & 0xFF], box[s[(C + d3) % Nb] >> 24])
         ^ rk[C]),
     ...);
}

// rk is the encryption schedule, or for decryption the reversed schedule with
// InvMixColumns applied to its inner round keys (the equivalent inverse cipher).
template <int Nb, bool Inverse>
void Transform(std::uint8_t* block, const std::uint32_t* rk, int nr)
{
    constexpr auto columns = std::make_index_sequence<Nb>{};
    std::uint32_t s[Nb], t[Nb];
    LoadState<Nb>(block, s, rk);
    int round = 1;
    for (; round + 1 < nr; round += 2) {
        Round<Nb, Inverse>(s, t, rk + Nb * round, columns);
        Round<Nb, Inverse>(t, s, rk + Nb * (round + 1), columns);
    }
    if (round < nr) {
        Round<Nb, Inverse>(s, t, rk + Nb * round, columns);
        LastRound<Nb, Inverse>(t, s, rk + Nb * nr, columns);
    } else {
        LastRound<Nb, Inverse>(s, t, rk + Nb * nr, columns);
        std::copy(t, t + Nb, s);
    }
    StoreState<Nb>(block, s);
}

} // namespace

namespace aes {

void EncryptBlock(const CAesCipher& cipher, std::uint8_t* block)
{
    switch (cipher.BlockLength()) {
    case 4: Transform<4, false>(block, cipher.EncryptSchedule(), cipher.Rounds()); break;
    case 6: Transform<6, false>(block, cipher.EncryptSchedule(), cipher.Rounds()); break;
    case 8: Transform<8, false>(block, cipher.EncryptSchedule(), cipher.Rounds()); break;
    default: break;
    }
}

void DecryptBlock(const CAesCipher& cipher, std::uint8_t* block)
{
    switch (cipher.BlockLength()) {
    case 4: Transform<4, true>(block, cipher.DecryptSchedule(), cipher.Rounds()); break;
    case 6: Transform<6, true>(block, cipher.DecryptSchedule(), cipher.Rounds()); break;
    case 8: Transform<8, true>(block, cipher.DecryptSchedule(), cipher.Rounds()); break;
    default: break;
    }
}

} // namespace aes

Result<void, CipherError> CAesBlock::AttachCipher(const CAesCipher* cipher)
{
    if (!cipher || !cipher->IsExpanded())
        return Fail(CipherError::NotExpanded);
    m_cipher = cipher;
    return {};
}

void CAesBlock::EncryptBlock()
{
    // A block length that differs from the schedule's would read the wrong bytes.
    if (m_block && m_cipher && m_cipher->IsExpanded() && m_cipher->BlockLength() == m_nb)
        aes::EncryptBlock(*m_cipher, m_block);
}

void CAesBlock::DecryptBlock()
{
    if (m_block && m_cipher && m_cipher->IsExpanded() && m_cipher->BlockLength() == m_nb)
        aes::DecryptBlock(*m_cipher, m_block);
}

} // namespace qb
