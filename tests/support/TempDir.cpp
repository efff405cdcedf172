#include "TempDir.h"

#include <random>
#include <string>

namespace qb::testing {

TempDir::TempDir()
{
    std::random_device random;
    path = std::filesystem::temp_directory_path() / ("quillbox-test-" + std::to_string(random()));
    std::filesystem::create_directories(path);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

} // namespace qb::testing
