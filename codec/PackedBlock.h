#pragma once
// The packed block: "pLvZ", the uncompressed length (big-endian 32-bit), a raw deflate stream.

#include "Bytes.h"
#include "Result.h"

namespace qb {

inline constexpr int kDefaultPackLevel = -1;

enum class PackError {
    Empty,          // no bytes to pack
    TooLarge,       // more bytes than the 32-bit length field can declare
    BadLevel,       // not a zlib level (-1, 0-9)
    Incompressible, // the deflate stream would not be strictly shorter than the input
    ZlibFailure,    // zlib itself failed (memory)
};

enum class UnpackError {
    TooShort,         // fewer than the 8 header bytes
    BadMagic,         // does not start with "pLvZ"
    ImpossibleLength, // declares more than a stream of its size could ever yield
    EndsShort,        // the stream yields fewer bytes than declared
    RunsLong,         // the stream yields more bytes than declared
    CorruptStream,    // inflate finds the stream damaged
    ZlibFailure,      // zlib itself failed (memory)
};

Result<Bytes, PackError> PackBlock(ByteView data, int level = kDefaultPackLevel);

// Succeeds only when the stream yields exactly the declared length, no more and no less.
// A declared length that no deflate stream of this size could reach fails before any
// allocation.
Result<Bytes, UnpackError> UnpackBlock(ByteView block);

} // namespace qb
