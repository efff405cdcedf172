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

TEST(PackedBlock, PackingFailuresNameTheirCause)
{
    std::mt19937 random(3);
    Bytes noise(5000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    const Bytes one{'x'};
    const Bytes rtf = RtfLike(100);
    // The size test comes before any byte is read: a view of that size never touches memory.
    const ByteView huge(rtf.data(), std::size_t{0xFFFFFFFFu} + 1);
    const struct {
        const char* name;
        ByteView data;
        int level;
        PackError expected;
    } rows[] = {
        {"empty", {}, kDefaultPackLevel, PackError::Empty},
        {"one byte", one, kDefaultPackLevel, PackError::Incompressible},
        {"random bytes", noise, kDefaultPackLevel, PackError::Incompressible},
        {"random bytes at level 9", noise, 9, PackError::Incompressible},
        {"level 42", rtf, 42, PackError::BadLevel},
        {"level -2", rtf, -2, PackError::BadLevel},
        {"over 4 GiB", huge, kDefaultPackLevel, PackError::TooLarge},
    };
    for (const auto& row : rows) {
        const auto block = PackBlock(row.data, row.level);
        ASSERT_FALSE(block) << row.name;
        EXPECT_EQ(block.error(), row.expected) << row.name;
    }
}

TEST(PackedBlock, UnpackingFailuresNameTheirCause)
{
    const Bytes data = RtfLike(3000);
    const Bytes stream = RawDeflate(data);
    const Bytes good = Block(3000, stream);
    Bytes truncated(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
    Bytes corrupt = stream;
    corrupt[0] = 0xFF; // block type 3 does not exist
    auto caseChanged = [&](std::size_t i) {
        Bytes bad = good;
        bad[i] ^= 0x20;
        return bad;
    };
    const struct {
        const char* name;
        Bytes block;
        UnpackError expected;
    } rows[] = {
        {"nothing", {}, UnpackError::TooShort},
        {"seven bytes", Bytes{'p', 'L', 'v', 'Z', 0, 0, 0}, UnpackError::TooShort},
        {"magic byte 0 case", caseChanged(0), UnpackError::BadMagic},
        {"magic byte 1 case", caseChanged(1), UnpackError::BadMagic},
        {"magic byte 2 case", caseChanged(2), UnpackError::BadMagic},
        {"magic byte 3 case", caseChanged(3), UnpackError::BadMagic},
        {"4 GiB from a short stream", Block(0xFFFFFFFFu, RawDeflate(RtfLike(50))), UnpackError::ImpossibleLength},
        {"declares one more", Block(3001, stream), UnpackError::EndsShort},
        {"stream cut in half", Block(3000, truncated), UnpackError::EndsShort},
        {"declares one less", Block(2999, stream), UnpackError::RunsLong},
        {"declares nothing", Block(0, stream), UnpackError::RunsLong},
        {"corrupt stream", Block(3000, corrupt), UnpackError::CorruptStream},
    };
    for (const auto& row : rows) {
        const auto out = UnpackBlock(row.block);
        ASSERT_FALSE(out) << row.name;
        EXPECT_EQ(out.error(), row.expected) << row.name;
    }
    EXPECT_TRUE(UnpackBlock(good));
}

TEST(PackedBlock, EmptyDeclaredLengthWithoutStreamIsEmptySuccess)
{
    const auto empty = UnpackBlock(Block(0, {}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(PackedBlock, AbsurdDeclaredLengthFailsWithoutAllocating)
{
    // Within the ratio but wrong: the buffer grows with the real output and the length test fails.
    const Bytes zeros(1 << 20, 0);
    const Bytes stream = RawDeflate(zeros);
    const auto lying = UnpackBlock(Block(static_cast<std::uint32_t>(stream.size() * 1000), stream));
    ASSERT_FALSE(lying);
    EXPECT_EQ(lying.error(), UnpackError::RunsLong); // the zeros run past the declared length
    const auto back = UnpackBlock(Block(1 << 20, stream));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, zeros);
}
