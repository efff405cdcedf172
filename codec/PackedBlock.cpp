#include "PackedBlock.h"

#include "FormatConstants.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace qb {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kChunk = 16384;
constexpr int kRawWindowBits = -15;
constexpr int kMemLevel = 9;

// Deflate's best case is a 258-byte match in about two bits: roughly 1032:1. The slack
// covers the block headers of tiny streams.
constexpr std::uint64_t kMaxInflateRatio = 1032;
constexpr std::uint64_t kInflateSlack = 1024;
constexpr std::size_t kInitialOutput = 64 * 1024;

struct DeflateStream {
    z_stream z{};
    bool open = false;
    ~DeflateStream()
    {
        if (open)
            deflateEnd(&z);
    }
};

struct InflateStream {
    z_stream z{};
    bool open = false;
    ~InflateStream()
    {
        if (open)
            inflateEnd(&z);
    }
};

// After the declared length is filled: does the rest of the stream (or what zlib still
// holds) decode to further bytes? Such a block is longer than it says and fails.
bool HasMoreOutput(z_stream& z, const std::uint8_t* rest, std::size_t restSize)
{
    std::uint8_t probe = 0;
    std::size_t fed = 0;
    for (;;) {
        const std::size_t chunk = std::min(kChunk, restSize - fed);
        z.next_in = chunk ? const_cast<Bytef*>(rest + fed) : nullptr;
        z.avail_in = static_cast<uInt>(chunk);
        z.next_out = &probe;
        z.avail_out = 1;
        const int result = inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0)
            return true;
        fed += chunk - z.avail_in;
        if (result != Z_OK || fed == restSize)
            return false; // ended, drained, or damaged only past the declared bytes
    }
}

} // namespace

Result<Bytes, PackError> PackBlock(ByteView data, int level)
{
    if (data.empty())
        return Fail(PackError::Empty);
    if (data.size() > std::numeric_limits<std::uint32_t>::max())
        return Fail(PackError::TooLarge);
    const std::size_t length = data.size();
    Bytes block(kHeaderSize + length);
    std::memcpy(block.data(), kPackedMagic.data(), 4);
    PutBigEndian32(block.data() + 4, static_cast<std::uint32_t>(length));

    DeflateStream stream;
    const int init = deflateInit2(&stream.z, level, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
    if (init != Z_OK)
        return Fail(init == Z_STREAM_ERROR ? PackError::BadLevel : PackError::ZlibFailure);
    stream.open = true;
    // Output goes straight into the block, limited to the input's own size.
    stream.z.next_out = block.data() + kHeaderSize;
    stream.z.avail_out = static_cast<uInt>(std::min<std::size_t>(length, std::numeric_limits<uInt>::max()));

    std::size_t fed = 0;
    while (fed < length && stream.z.avail_out > 0) {
        const std::size_t chunk = std::min(kChunk, length - fed);
        stream.z.next_in = const_cast<Bytef*>(data.data() + fed);
        stream.z.avail_in = static_cast<uInt>(chunk);
        if (deflate(&stream.z, Z_NO_FLUSH) != Z_OK)
            return Fail(PackError::ZlibFailure);
        fed += chunk - stream.z.avail_in;
        if (stream.z.avail_in > 0)
            break; // output area full
    }
    if (fed < length)
        return Fail(PackError::Incompressible);
    const int finish = deflate(&stream.z, Z_FINISH);
    // Z_OK, or Z_BUF_ERROR with no room left, means the output area filled up first.
    const bool full = finish == Z_OK || (finish == Z_BUF_ERROR && stream.z.avail_out == 0);
    if (finish != Z_STREAM_END && !full)
        return Fail(PackError::ZlibFailure);
    const std::size_t compressed = stream.z.total_out;
    stream.open = false;
    if (deflateEnd(&stream.z) != Z_OK && finish == Z_STREAM_END)
        return Fail(PackError::ZlibFailure);
    if (finish != Z_STREAM_END || compressed >= length)
        return Fail(PackError::Incompressible);
    block.resize(kHeaderSize + compressed);
    return block;
}

Result<Bytes, UnpackError> UnpackBlock(ByteView block)
{
    if (block.size() < kHeaderSize)
        return Fail(UnpackError::TooShort);
    if (std::memcmp(block.data(), kPackedMagic.data(), 4) != 0)
        return Fail(UnpackError::BadMagic);
    const std::uint32_t declared = GetBigEndian32(block.data() + 4);
    const std::uint64_t streamSize = block.size() - kHeaderSize;
    if (declared > streamSize * kMaxInflateRatio + kInflateSlack)
        return Fail(UnpackError::ImpossibleLength);

    InflateStream stream;
    if (inflateInit2(&stream.z, kRawWindowBits) != Z_OK)
        return Fail(UnpackError::ZlibFailure);
    stream.open = true;

    // The buffer grows with what the stream really yields, so a block that lies about its
    // length costs no more memory than its true content.
    Bytes out(std::min<std::size_t>(declared, std::max<std::size_t>(kInitialOutput, 4 * streamSize)));
    const std::uint8_t* input = block.data() + kHeaderSize;
    std::size_t fed = 0;
    int result = Z_OK;
    for (;;) {
        if (stream.z.total_out == out.size()) {
            if (out.size() == declared)
                break;
            out.resize(std::min<std::size_t>(declared, 2 * out.size()));
        }
        if (fed == streamSize)
            break;
        const std::size_t chunk = std::min<std::size_t>(kChunk, streamSize - fed);
        stream.z.next_in = const_cast<Bytef*>(input + fed);
        stream.z.avail_in = static_cast<uInt>(chunk);
        stream.z.next_out = out.data() + stream.z.total_out;
        stream.z.avail_out = static_cast<uInt>(out.size() - stream.z.total_out);
        const uLong before = stream.z.total_out;
        result = inflate(&stream.z, Z_NO_FLUSH);
        if (result == Z_MEM_ERROR)
            return Fail(UnpackError::ZlibFailure);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            return Fail(UnpackError::CorruptStream);
        const std::size_t used = chunk - stream.z.avail_in;
        fed += used;
        if (result == Z_STREAM_END || (used == 0 && stream.z.total_out == before))
            break;
    }
    if (stream.z.total_out != declared)
        return Fail(UnpackError::EndsShort);
    if (result != Z_STREAM_END && HasMoreOutput(stream.z, input + fed, streamSize - fed))
        return Fail(UnpackError::RunsLong);
    stream.open = false;
    if (inflateEnd(&stream.z) != Z_OK)
        return Fail(UnpackError::ZlibFailure);
    return out;
}

} // namespace qb
