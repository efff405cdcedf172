#pragma once
// A temporary folder removed with everything in it on scope exit.

#include <filesystem>

namespace qb::testing {

struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path;
};

} // namespace qb::testing
