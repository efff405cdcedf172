#pragma once
// The names and paths that requests carry. The rule for new names and the form of paths are
// the client's too (names/NameRule.h); this adds the server's bounds, name keys and lists.

#include "names/NameRule.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::server {

// Longer paths are refused before they are split: a path costs memory per segment.
inline constexpr std::size_t kMaxPathBytes = 4096;
// Names one request may list (delete, copy, move): bounds the work of one transaction.
inline constexpr std::size_t kMaxListNames = 1000;

// For a name being created: empty when it keeps the rule, else a sentence for the user.
std::string NameProblem(std::string_view name);
// The segments of a folder or note path, or nothing when its form is broken or it is over
// kMaxPathBytes. Segments are not held to the name rule: they address entries that exist.
std::optional<std::vector<std::string>> SplitPath(std::string_view path);
// Names are unique within a folder whatever their letter case (ASCII folding).
std::string NameKey(std::string_view name);
// Several names, each followed by LF; nothing when a name is empty or the list is, or
// when it holds more than kMaxListNames names (see TooManyNames).
std::optional<std::vector<std::string>> SplitNameList(std::string_view list);
bool TooManyNames(std::string_view list);

} // namespace qb::server
