#include "LocalFiles.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace qb::cli {
namespace {
constexpr std::string_view kTemporarySuffix = ".qbpart";
}

std::optional<std::string> ReadInput(const std::string& path, std::string& error)
{
    if (path.empty() || path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        return all.str();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::string data(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return data;
}

bool WriteOutput(const std::string& path, std::string_view data, std::ostream& stdOut, std::string& error)
{
    if (path.empty() || path == "-") {
        stdOut.write(data.data(), static_cast<std::streamsize>(data.size()));
        stdOut.flush();
        if (!stdOut)
            error = "cannot write to standard output";
        return static_cast<bool>(stdOut);
    }
    return WriteWhole(path, data, error);
}

std::filesystem::path TemporaryPath(const std::filesystem::path& target)
{
    return target.parent_path() / ("." + target.filename().string() + std::string(kTemporarySuffix));
}

bool IsTemporaryName(const std::string& fileName)
{
    return fileName.size() > kTemporarySuffix.size() + 1 && fileName.front() == '.'
        && fileName.ends_with(kTemporarySuffix);
}

bool WriteWhole(const std::filesystem::path& target, std::string_view data, std::string& error)
{
    const std::filesystem::path temporary = TemporaryPath(target);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            error = "cannot write " + target.string();
            return false;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, target, renamed);
    if (renamed) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        error = "cannot write " + target.string() + ": " + renamed.message();
        return false;
    }
    return true;
}

} // namespace qb::cli
