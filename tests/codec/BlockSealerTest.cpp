#include "codec/BlockSealer.h"

#include <gtest/gtest.h>

using namespace qb;

namespace {

struct Keyed {
    explicit Keyed(std::string_view text, int nb = 6)
    {
        cipher.SetKey(AsBytes(text));
        cipher.Expand(nb);
        sealer.SetCipher(&cipher);
    }
    CAesCipher cipher;
    CBlockSealer sealer;
};

Bytes Text(std::size_t n)
{
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>('a' + i % 26);
    return out;
}

} // namespace

TEST(BlockSealer, SizesFollowTheTrailerRule)
{
    const struct {
        int nb;
        std::size_t length, sealedSize;
    } rows[] = {
        {6, 0, 8 + 24}, {6, 21, 8 + 24}, {6, 22, 8 + 48}, {4, 13, 8 + 16}, {4, 14, 8 + 32}, {8, 29, 8 + 32},
        {8, 30, 8 + 64},
    };
    for (const auto& row : rows) {
        Keyed k("secret", row.nb);
        const auto sealed = k.sealer.Seal(Text(row.length));
        ASSERT_TRUE(sealed);
        EXPECT_EQ(sealed->size(), row.sealedSize) << row.nb << "/" << row.length;
        EXPECT_EQ(GetBigEndian32(sealed->data()), row.length);
        EXPECT_EQ((*sealed)[4], row.nb);
        EXPECT_EQ((*sealed)[5], 8);
        EXPECT_EQ((*sealed)[6], 0);
        EXPECT_EQ((*sealed)[7], CBlockSealer::KeyCheckByte(k.cipher.KeyBytes()));
        const auto plain = k.sealer.Unseal(*sealed);
        ASSERT_TRUE(plain);
        EXPECT_EQ(*plain, Text(row.length));
    }
}

TEST(BlockSealer, KeyCheckByteTakesOneBitPerKeyByte)
{
    const Bytes key = {0x80, 0x40, 0x00, 0x10, 0x00, 0x04, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(CBlockSealer::KeyCheckByte(key), 0x80 | 0x40 | 0x10 | 0x04 | 0x01);
    EXPECT_EQ(CBlockSealer::KeyCheckByte(Bytes(8, 0x7F)), 0x7F);
}

TEST(BlockSealer, WrongKeyFailsBothWays)
{
    Keyed writer("secret key one");
    const auto sealed = writer.sealer.Seal(Text(100));
    ASSERT_TRUE(sealed);

    Keyed differentEarly("other");             // fails on the key check byte
    Keyed differentLate("secret key two");         // passes the check byte, fails on the trailer
    EXPECT_EQ((*sealed)[7], CBlockSealer::KeyCheckByte(differentLate.cipher.KeyBytes()));
    EXPECT_FALSE(differentEarly.sealer.Unseal(*sealed));
    EXPECT_FALSE(differentLate.sealer.Unseal(*sealed));
}

TEST(BlockSealer, DamagedHeadersAreRefused)
{
    Keyed k("secret");
    const auto sealed = k.sealer.Seal(Text(100));
    ASSERT_TRUE(sealed);
    for (int i = 0; i < 4; ++i) {
        for (int bit : {0, 7}) {
            Bytes bad = *sealed;
            bad[i] ^= static_cast<std::uint8_t>(1 << bit);
            EXPECT_FALSE(k.sealer.Unseal(bad)) << "length byte " << i << " bit " << bit;
        }
    }
    for (int nb : {0, 5, 9}) {
        Bytes bad = *sealed;
        bad[4] = static_cast<std::uint8_t>(nb);
        EXPECT_FALSE(k.sealer.Unseal(bad)) << nb;
    }
    Bytes badNk = *sealed;
    badNk[5] = 6;
    EXPECT_FALSE(k.sealer.Unseal(badNk));
    EXPECT_FALSE(k.sealer.Unseal(ByteView(sealed->data(), 8)));
    EXPECT_FALSE(k.sealer.Unseal(ByteView(sealed->data(), sealed->size() - 1)));
}

TEST(BlockSealer, TailFlagSkipsFourExtraBytes)
{
    Keyed k("secret");
    Bytes sealed = *k.sealer.Seal(Text(50));
    sealed[6] = 4;
    sealed.insert(sealed.end(), {1, 2, 3, 4});
    const auto plain = k.sealer.Unseal(sealed);
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, Text(50));
}

TEST(BlockSealer, UnsealExpandsForTheBlockLengthFound)
{
    Keyed writer("secret", 8);
    const auto sealed = writer.sealer.Seal(Text(40));
    CAesCipher reader;
    reader.SetKey(AsBytes("secret")); // keyed, never expanded
    CBlockSealer sealer;
    sealer.SetCipher(&reader);
    const auto plain = sealer.Unseal(*sealed);
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, Text(40));
    EXPECT_EQ(reader.BlockLength(), 8);
}

TEST(BlockSealer, RefusesWithoutCipher)
{
    CBlockSealer sealer;
    EXPECT_FALSE(sealer.Seal(Text(3)));
    EXPECT_FALSE(sealer.Unseal(Bytes(40, 0)));
    CAesCipher keyed;
    keyed.SetKey(AsBytes("k"));
    sealer.SetCipher(&keyed);
    EXPECT_FALSE(sealer.Seal(Text(3))); // keyed but not expanded
}
