#pragma once
// Constant tables of the Rijndael round functions, built at compile time.
// State columns are 32-bit words holding row r in bits 8r..8r+7.

#include <array>
#include <cstdint>

namespace qb::aes {

using Table = std::array<std::uint32_t, 256>;
using ByteTable = std::array<std::uint8_t, 256>;

constexpr std::uint8_t XTime(std::uint8_t x)
{
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

constexpr std::uint8_t Multiply(std::uint8_t a, std::uint8_t b)
{
    std::uint8_t product = 0;
    while (b) {
        if (b & 1)
            product ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return product;
}

constexpr std::uint8_t RotateLeft8(std::uint8_t x, int n)
{
    return static_cast<std::uint8_t>((x << n) | (x >> (8 - n)));
}

constexpr ByteTable MakeSbox()
{
    ByteTable s{};
    std::uint8_t p = 1, q = 1;
    // p runs through the multiplicative group by powers of 3; q tracks its inverse.
    do {
        p = static_cast<std::uint8_t>(p ^ XTime(p));
        q = static_cast<std::uint8_t>(q ^ (q << 1));
        q = static_cast<std::uint8_t>(q ^ (q << 2));
        q = static_cast<std::uint8_t>(q ^ (q << 4));
        if (q & 0x80)
            q ^= 0x09;
        const std::uint8_t affine = static_cast<std::uint8_t>(
            q ^ RotateLeft8(q, 1) ^ RotateLeft8(q, 2) ^ RotateLeft8(q, 3) ^ RotateLeft8(q, 4));
        s[p] = static_cast<std::uint8_t>(affine ^ 0x63);
    } while (p != 1);
    s[0] = 0x63;
    return s;
}

constexpr ByteTable MakeInverse(const ByteTable& s)
{
    ByteTable inv{};
    for (int i = 0; i < 256; ++i)
        inv[s[i]] = static_cast<std::uint8_t>(i);
    return inv;
}

constexpr std::uint32_t Column(std::uint8_t r0, std::uint8_t r1, std::uint8_t r2, std::uint8_t r3)
{
    return std::uint32_t{r0} | (std::uint32_t{r1} << 8) | (std::uint32_t{r2} << 16) | (std::uint32_t{r3} << 24);
}

constexpr std::uint32_t RotateColumn(std::uint32_t w, int bytes)
{
    return bytes == 0 ? w : (w << (8 * bytes)) | (w >> (32 - 8 * bytes));
}

// What one input byte of row `row` contributes to its output column in a full round:
// SubBytes then MixColumns (encryption), or InvSubBytes then InvMixColumns (decryption).
constexpr Table MakeRoundTable(const ByteTable& box, std::array<std::uint8_t, 4> coefficients, int row)
{
    Table t{};
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t x = box[i];
        t[i] = RotateColumn(Column(Multiply(x, coefficients[0]), Multiply(x, coefficients[1]),
                                   Multiply(x, coefficients[2]), Multiply(x, coefficients[3])),
                            row);
    }
    return t;
}

inline constexpr ByteTable kSbox = MakeSbox();
inline constexpr ByteTable kInvSbox = MakeInverse(kSbox);

inline constexpr std::array<std::uint8_t, 4> kMix = {2, 1, 1, 3};
inline constexpr std::array<std::uint8_t, 4> kInvMix = {14, 9, 13, 11};

inline constexpr std::array<Table, 4> kEncrypt = {
    MakeRoundTable(kSbox, kMix, 0), MakeRoundTable(kSbox, kMix, 1),
    MakeRoundTable(kSbox, kMix, 2), MakeRoundTable(kSbox, kMix, 3)};
inline constexpr std::array<Table, 4> kDecrypt = {
    MakeRoundTable(kInvSbox, kInvMix, 0), MakeRoundTable(kInvSbox, kInvMix, 1),
    MakeRoundTable(kInvSbox, kInvMix, 2), MakeRoundTable(kInvSbox, kInvMix, 3)};

// InvMixColumns of one column word, for the decryption key schedule.
constexpr std::uint32_t InvMixColumn(std::uint32_t w)
{
    std::uint32_t out = 0;
    for (int row = 0; row < 4; ++row) {
        const std::uint8_t b = static_cast<std::uint8_t>(w >> (8 * row));
        out ^= RotateColumn(Column(Multiply(b, 14), Multiply(b, 9), Multiply(b, 13), Multiply(b, 11)), row);
    }
    return out;
}

} // namespace qb::aes
