#include "codec/PackedBlock.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

using namespace qb;

namespace {

Bytes RtfLike(std::size_t size)
{
    std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    std::mt19937 random(7);
    const char* words[] = {"note ", "{\\b bold} ", "\\par\n", "server ", "folder ", "quill ", "\\i text\\i0 "};
    while (text.size() < size)
        text += words[random() % 7];
    text.resize(size);
    return {text.begin(), text.end()};
}

Bytes RawDeflate(const Bytes& data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, data.size()));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes Block(std::uint32_t declared, const Bytes& stream)
{
    Bytes block(8 + stream.size());
    std::copy_n("pLvZ", 4, block.begin());
    PutBigEndian32(block.data() + 4, declared);
    std::copy(stream.begin(), stream.end(), block.begin() + 8);
    return block;
}

} // namespace

TEST(PackedBlock, RoundTripsRtfOfManySizes)
{
    for (std::size_t size : {200u, 1000u, 16384u, 16385u, 100000u}) {
        const Bytes data = RtfLike(size);
        const auto block = PackBlock(data);
        ASSERT_TRUE(block) << size;
        EXPECT_EQ(Bytes(block->begin(), block->begin() + 4), (Bytes{'p', 'L', 'v', 'Z'}));
        EXPECT_EQ(GetBigEndian32(block->data() + 4), size);
        EXPECT_LT(block->size(), size + 8);
        const auto back = UnpackBlock(*block);
        ASSERT_TRUE(back) << size;
        EXPECT_EQ(*back, data);
    }
}

TEST(PackedBlock, IncompressibleOrEmptyInputCannotBePacked)
{
    EXPECT_FALSE(PackBlock({}));
    EXPECT_FALSE(PackBlock(Bytes{'x'}));
    std::mt19937 random(3);
    Bytes noise(5000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    EXPECT_FALSE(PackBlock(noise));
    EXPECT_FALSE(PackBlock(RtfLike(100), 42)); // not a zlib level
}

TEST(PackedBlock, DeclaredLengthMustMatchTheStreamExactly)
{
    const Bytes data = RtfLike(3000);
    const Bytes stream = RawDeflate(data);
    EXPECT_TRUE(UnpackBlock(Block(3000, stream)));
    EXPECT_FALSE(UnpackBlock(Block(3001, stream))); // stream ends short
    EXPECT_FALSE(UnpackBlock(Block(2999, stream))); // stream has more to give
    EXPECT_FALSE(UnpackBlock(Block(0, stream)));
    Bytes truncated(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
    EXPECT_FALSE(UnpackBlock(Block(3000, truncated)));
}

TEST(PackedBlock, EmptyDeclaredLengthWithoutStreamIsEmptySuccess)
{
    const auto empty = UnpackBlock(Block(0, {}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    EXPECT_FALSE(UnpackBlock(Bytes{'p', 'L', 'v', 'Z', 0, 0, 0}));
}

TEST(PackedBlock, MagicIsExact)
{
    const Bytes good = *PackBlock(RtfLike(500));
    for (std::size_t i = 0; i < 4; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x20; // case change
        EXPECT_FALSE(UnpackBlock(bad)) << i;
    }
}

TEST(PackedBlock, AbsurdDeclaredLengthFailsWithoutAllocating)
{
    // 4 GiB declared over a ten-byte stream: deflate could never produce it.
    EXPECT_FALSE(UnpackBlock(Block(0xFFFFFFFFu, RawDeflate(RtfLike(50)))));
    // Within the ratio but wrong: the buffer grows with the real output and the length test fails.
    const Bytes zeros(1 << 20, 0);
    const Bytes stream = RawDeflate(zeros);
    EXPECT_FALSE(UnpackBlock(Block(static_cast<std::uint32_t>(stream.size() * 1000), stream)));
    const auto back = UnpackBlock(Block(1 << 20, stream));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, zeros);
}
