#include "codec/AesCipher.h"
#include "codec/FormatConstants.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

using namespace qb;

namespace {

Bytes Hex(std::string_view hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

Bytes Sequence(std::size_t n)
{
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(i);
    return out;
}

// The cipher reads a block row by row; the standard reads it column by column.
Bytes Transpose(const Bytes& block, int nb)
{
    Bytes out(block.size());
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < nb; ++c)
            out[r * nb + c] = block[r + 4 * c];
    return out;
}

Bytes TransposeBack(const Bytes& block, int nb)
{
    Bytes out(block.size());
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < nb; ++c)
            out[r + 4 * c] = block[r * nb + c];
    return out;
}

Bytes Encrypt(CAesCipher& cipher, Bytes block)
{
    CAesBlock b;
    b.SetBlockLength(cipher.BlockLength());
    EXPECT_TRUE(b.AttachCipher(&cipher));
    b.Bind(block.data());
    b.EncryptBlock();
    return block;
}

Bytes Decrypt(CAesCipher& cipher, Bytes block)
{
    CAesBlock b;
    b.SetBlockLength(cipher.BlockLength());
    EXPECT_TRUE(b.AttachCipher(&cipher));
    b.Bind(block.data());
    b.DecryptBlock();
    return block;
}

} // namespace

TEST(AesCipher, ReferenceValueOfRowWiseState)
{
    CAesCipher cipher;
    ASSERT_TRUE(cipher.SetKeyLength(128));
    cipher.SetKey(Sequence(16));
    ASSERT_TRUE(cipher.Expand(4));
    const Bytes plain = Hex("00112233445566778899aabbccddeeff");
    const Bytes sealed = Encrypt(cipher, plain);
    EXPECT_EQ(sealed, Hex("26da9a97b22fba5e8105169160de8626"));
    EXPECT_EQ(Decrypt(cipher, sealed), plain);
}

TEST(AesCipher, TransposedBlockGivesStandardVectors)
{
    // FIPS-197 Appendix C: the same plaintext under 128-, 192- and 256-bit keys.
    const struct {
        int bits;
        const char* expected;
    } rows[] = {
        {128, "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {192, "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {256, "8ea2b7ca516745bfeafc49904b496089"},
    };
    const Bytes plain = Hex("00112233445566778899aabbccddeeff");
    for (const auto& row : rows) {
        CAesCipher cipher;
        ASSERT_TRUE(cipher.SetKeyLength(row.bits));
        cipher.SetKey(Sequence(static_cast<std::size_t>(row.bits / 8)));
        ASSERT_TRUE(cipher.Expand(4));
        EXPECT_EQ(cipher.Rounds(), row.bits / 32 + 6);
        const Bytes out = TransposeBack(Encrypt(cipher, Transpose(plain, 4)), 4);
        EXPECT_EQ(out, Hex(row.expected)) << row.bits;
    }
}

TEST(AesCipher, WideBlocksRoundTripAndDiffer)
{
    for (int nk : {4, 6, 8}) {
        for (int nb : {4, 6, 8}) {
            CAesCipher cipher;
            ASSERT_TRUE(cipher.SetKeyLength(nk * 32));
            cipher.SetKey(Sequence(32));
            ASSERT_TRUE(cipher.Expand(nb));
            EXPECT_EQ(cipher.BlockLength(), nb);
            EXPECT_EQ(cipher.Rounds(), std::max(nk, nb) + 6);
            const Bytes plain = Sequence(static_cast<std::size_t>(4 * nb));
            const Bytes sealed = Encrypt(cipher, plain);
            EXPECT_NE(sealed, plain);
            EXPECT_EQ(Decrypt(cipher, sealed), plain) << nk << "/" << nb;
        }
    }
}

TEST(AesCipher, ShiftRowsOffsetsOfWideBlocksMatter)
{
    // A change in one input byte must reach every output byte after a full encryption,
    // which needs ShiftRows to spread it over all columns.
    for (int nb : {6, 8}) {
        CAesCipher cipher;
        cipher.SetKey(Sequence(32));
        ASSERT_TRUE(cipher.Expand(nb));
        Bytes a(static_cast<std::size_t>(4 * nb), 0), b = a;
        b[0] = 1;
        const Bytes ea = Encrypt(cipher, a), eb = Encrypt(cipher, b);
        int same = 0;
        for (std::size_t i = 0; i < ea.size(); ++i)
            same += ea[i] == eb[i];
        EXPECT_LT(same, 4) << nb;
    }
}

TEST(AesCipher, KeyLengthFromText)
{
    const struct {
        std::size_t length;
        int nk;
    } rows[] = {{1, 4}, {15, 4}, {16, 4}, {23, 4}, {24, 6}, {31, 6}, {32, 8}, {40, 8}};
    for (const auto& row : rows) {
        CAesCipher cipher;
        const std::string text(row.length, 'k');
        cipher.SetKeyText(text);
        ASSERT_EQ(cipher.KeyLength(), row.nk) << row.length;
        const auto key = cipher.KeyBytes();
        ASSERT_EQ(key.size(), static_cast<std::size_t>(row.nk * 4));
        const std::size_t taken = std::min(row.length, key.size());
        for (std::size_t i = 0; i < key.size(); ++i)
            EXPECT_EQ(key[i], i < taken ? 'k' : kKeyFiller[i - taken]) << row.length << " byte " << i;
    }
    CAesCipher cipher;
    cipher.SetKeyText("abc");
    cipher.SetKeyText("");
    EXPECT_FALSE(cipher.HasKey());
    EXPECT_EQ(cipher.KeyLength(), 8);
}

TEST(AesCipher, States)
{
    CAesCipher cipher;
    EXPECT_EQ(cipher.KeyLength(), 8);
    EXPECT_TRUE(cipher.SetKeyLength(192));
    EXPECT_FALSE(cipher.SetKeyLength(100));
    EXPECT_EQ(cipher.KeyLength(), 6) << "a refused length changes nothing";

    cipher.SetKey(Sequence(3));
    EXPECT_TRUE(cipher.HasKey());
    EXPECT_FALSE(cipher.IsExpanded());
    const struct {
        int asked, nb;
    } rows[] = {{0, 4}, {5, 4}, {6, 6}, {7, 6}, {8, 8}, {9, 8}};
    for (const auto& row : rows) {
        ASSERT_TRUE(cipher.Expand(row.asked));
        EXPECT_EQ(cipher.BlockLength(), row.nb);
    }
    cipher.SetKey(Sequence(24)); // a new key drops the schedule
    EXPECT_FALSE(cipher.IsExpanded());
}

TEST(AesCipher, EachFailureNamesItsCause)
{
    using Step = std::function<Result<void, CipherError>(CAesCipher&)>;
    const struct {
        const char* name;
        Step step;
        CipherError expected;
    } rows[] = {
        {"key length 100", [](CAesCipher& c) { return c.SetKeyLength(100); }, CipherError::BadKeyLength},
        {"key length 0", [](CAesCipher& c) { return c.SetKeyLength(0); }, CipherError::BadKeyLength},
        {"key length in bytes", [](CAesCipher& c) { return c.SetKeyLength(32); }, CipherError::BadKeyLength},
        {"expand without key", [](CAesCipher& c) { return c.Expand(4); }, CipherError::NoKey},
        {"expand after the key was cleared",
         [](CAesCipher& c) {
             c.SetKey(Sequence(32));
             c.ClearKey();
             return c.Expand(6);
         },
         CipherError::NoKey},
        {"block on a keyed cipher without schedule",
         [](CAesCipher& c) {
             c.SetKey(Sequence(32));
             CAesBlock block;
             return block.AttachCipher(&c);
         },
         CipherError::NotExpanded},
        {"block without cipher",
         [](CAesCipher&) {
             CAesBlock block;
             return block.AttachCipher(nullptr);
         },
         CipherError::NotExpanded},
    };
    for (const auto& row : rows) {
        CAesCipher cipher;
        const auto result = row.step(cipher);
        ASSERT_FALSE(result) << row.name;
        EXPECT_EQ(result.error(), row.expected) << row.name;
    }
}
