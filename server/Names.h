#pragma once
// Rules for the names and paths that requests carry. Paths: "" is the top folder,
// "/A/B" a subfolder; every segment must be a valid name.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::server {

inline constexpr std::size_t kMaxNameBytes = 255;

// Empty when the name is acceptable, else a sentence for the user.
std::string NameProblem(std::string_view name);
// The segments of a folder or note path, or nothing when the path is malformed.
std::optional<std::vector<std::string>> SplitPath(std::string_view path);
// Names are unique within a folder whatever their letter case (ASCII folding).
std::string NameKey(std::string_view name);
// Several names, each followed by LF; nothing when a name is empty or the list is.
std::optional<std::vector<std::string>> SplitNameList(std::string_view list);

} // namespace qb::server
