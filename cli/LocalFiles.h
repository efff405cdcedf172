#pragma once
// Local files as the tool reads and writes them: whole, and a written file appears only
// once it is complete (a temporary name beside it, then a rename).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qb::cli {

// "" or "-" is standard input.
std::optional<std::string> ReadInput(const std::string& path, std::string& error);
// "" or "-" is the given stream (standard output).
bool WriteOutput(const std::string& path, std::string_view data, std::ostream& stdOut, std::string& error);

// The name a file is written under before it is renamed into place: hidden, beside it.
std::filesystem::path TemporaryPath(const std::filesystem::path& target);
bool IsTemporaryName(const std::string& fileName);
// Writes data to the temporary path and renames it over target.
bool WriteWhole(const std::filesystem::path& target, std::string_view data, std::string& error);

} // namespace qb::cli
