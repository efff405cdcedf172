#include "codec/BlockSealer.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace qb;

namespace {

struct Keyed {
    explicit Keyed(std::string_view text, int nb = 6)
    {
        cipher.SetKey(AsBytes(text));
        EXPECT_TRUE(cipher.Expand(nb));
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

    Keyed differentEarly("other");         // fails on the key check byte
    Keyed differentLate("secret key two"); // passes the check byte, fails on the trailer
    EXPECT_EQ((*sealed)[7], CBlockSealer::KeyCheckByte(differentLate.cipher.KeyBytes()));
    for (const Keyed* reader : {&differentEarly, &differentLate}) {
        const auto plain = reader->sealer.Unseal(*sealed);
        ASSERT_FALSE(plain);
        EXPECT_EQ(plain.error(), SealError::WrongKey);
    }
}

TEST(BlockSealer, EachFailureNamesItsCause)
{
    Keyed k("secret key one");
    const Bytes good = *k.sealer.Seal(Text(100)); // 8 + 5 blocks of 24
    auto changed = [&](std::function<void(Bytes&)> change) {
        Bytes bad = good;
        change(bad);
        return bad;
    };
    CAesCipher keyless;
    Keyed other("other");
    Keyed sameStart("secret key two"); // same first eight key bytes: only the trailer tells
    const CBlockSealer noCipher;
    const CBlockSealer noKey(&keyless);

    const struct {
        const char* name;
        const CBlockSealer& sealer;
        Bytes sealed;
        SealError expected;
    } rows[] = {
        {"no cipher", noCipher, good, SealError::NoCipher},
        {"cipher without key", noKey, good, SealError::KeyNotSet},
        {"header only", k.sealer, Bytes(good.begin(), good.begin() + 8), SealError::TooShort},
        {"tail flag eats the header", k.sealer, changed([](Bytes& b) { b.resize(9); b[6] = 4; }),
         SealError::TooShort},
        {"check byte of another key", other.sealer, good, SealError::WrongKey},
        {"key differing after its eighth byte", sameStart.sealer, good, SealError::WrongKey},
        {"key length byte", k.sealer, changed([](Bytes& b) { b[5] = 6; }), SealError::WrongKey},
        {"last block damaged", k.sealer, changed([](Bytes& b) { b.back() ^= 1; }), SealError::WrongKey},
        {"block length 0", k.sealer, changed([](Bytes& b) { b[4] = 0; }), SealError::BadBlockLength},
        {"block length 5", k.sealer, changed([](Bytes& b) { b[4] = 5; }), SealError::BadBlockLength},
        {"block length 9", k.sealer, changed([](Bytes& b) { b[4] = 9; }), SealError::BadBlockLength},
        {"length one block longer", k.sealer, changed([](Bytes& b) { PutBigEndian32(b.data(), 124); }),
         SealError::BadLength},
        {"length near 2^32", k.sealer, changed([](Bytes& b) { PutBigEndian32(b.data(), 0xFFFFFFFFu); }),
         SealError::BadLength},
        {"body one byte short", k.sealer, changed([](Bytes& b) { b.pop_back(); }), SealError::BadLength},
        {"tail flag without a tail", k.sealer, changed([](Bytes& b) { b[6] = 4; }), SealError::BadLength},
    };
    for (const auto& row : rows) {
        const auto plain = row.sealer.Unseal(row.sealed);
        ASSERT_FALSE(plain) << row.name;
        EXPECT_EQ(plain.error(), row.expected) << row.name;
    }

    CAesCipher keyedOnly;
    keyedOnly.SetKey(AsBytes("k"));
    const Bytes small = Text(3);
    // The size test comes before any byte is read: a view of the largest size never touches memory.
    const ByteView huge(small.data(), std::size_t{0xFFFFFFFFu} - 2);
    const struct {
        const char* name;
        CBlockSealer sealer;
        ByteView data;
        SealError expected;
    } sealRows[] = {
        {"no cipher", CBlockSealer(), small, SealError::NoCipher},
        {"keyed but not expanded", CBlockSealer(&keyedOnly), small, SealError::KeyNotSet},
        {"longer than the length field", k.sealer, huge, SealError::TooLarge},
    };
    for (const auto& row : sealRows) {
        const auto sealed = row.sealer.Seal(row.data);
        ASSERT_FALSE(sealed) << row.name;
        EXPECT_EQ(sealed.error(), row.expected) << row.name;
    }
}

TEST(BlockSealer, EveryLengthFieldChangeIsRefused)
{
    Keyed k("secret");
    const auto sealed = k.sealer.Seal(Text(100));
    ASSERT_TRUE(sealed);
    for (int i = 0; i < 4; ++i) {
        for (int bit : {0, 7}) {
            Bytes bad = *sealed;
            bad[i] ^= static_cast<std::uint8_t>(1 << bit);
            const auto plain = k.sealer.Unseal(bad);
            ASSERT_FALSE(plain) << "length byte " << i << " bit " << bit;
            // Another block count fails the size test; the same count moves the trailer.
            EXPECT_TRUE(plain.error() == SealError::BadLength || plain.error() == SealError::WrongKey)
                << "length byte " << i << " bit " << bit;
        }
    }
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

TEST(BlockSealer, UnsealUsesTheBlockLengthFoundWithoutChangingTheCipher)
{
    Keyed writer("secret", 8);
    const auto sealed = writer.sealer.Seal(Text(40));
    ASSERT_TRUE(sealed);

    CAesCipher keyedOnly;
    keyedOnly.SetKey(AsBytes("secret")); // keyed, never expanded
    Keyed otherLength("secret", 6);
    for (const CAesCipher* reader : {&keyedOnly, &otherLength.cipher}) {
        const bool expanded = reader->IsExpanded();
        const int nb = reader->BlockLength();
        const auto plain = CBlockSealer(reader).Unseal(*sealed);
        ASSERT_TRUE(plain);
        EXPECT_EQ(*plain, Text(40));
        EXPECT_EQ(reader->IsExpanded(), expanded) << "the reader's cipher is not the sealer's to change";
        EXPECT_EQ(reader->BlockLength(), nb);
    }
}

TEST(BlockSealer, OneCipherServesManyThreads)
{
    // Buffers of every block length through one shared cipher at once: none may see
    // another's schedule.
    Keyed shared("shared secret", 6);
    std::vector<Bytes> sealed;
    for (int nb : {4, 6, 8}) {
        Keyed writer("shared secret", nb);
        sealed.push_back(*writer.sealer.Seal(Text(static_cast<std::size_t>(100 + nb))));
    }
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const std::size_t which = static_cast<std::size_t>(i + t) % sealed.size();
                const auto plain = shared.sealer.Unseal(sealed[which]);
                const std::size_t nb = 4 + 2 * which;
                if (!plain || *plain != Text(100 + nb))
                    ++wrong[static_cast<std::size_t>(t)];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
    EXPECT_EQ(shared.cipher.BlockLength(), 6);
}
