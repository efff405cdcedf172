#pragma once
// What the fuzz targets share: the input as text, and a check that stops the run when a
// property the code promises does not hold.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qb::fuzz {

inline std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// libFuzzer records the input when the process aborts.
inline void Require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

} // namespace qb::fuzz
