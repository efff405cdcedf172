#pragma once
// The packed block: "pLvZ", the uncompressed length (big-endian 32-bit), a raw deflate stream.

#include "Bytes.h"

#include <optional>

namespace qb {

inline constexpr int kDefaultPackLevel = -1;

// Fails for input whose deflate stream is not strictly shorter than the input (empty or
// incompressible data), and for an invalid level.
std::optional<Bytes> PackBlock(ByteView data, int level = kDefaultPackLevel);

// Succeeds only when the stream yields exactly the declared length, no more and no less.
// A declared length that no deflate stream of this size could reach fails before any
// allocation.
std::optional<Bytes> UnpackBlock(ByteView block);

} // namespace qb
