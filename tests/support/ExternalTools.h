#pragma once
// Other programs that tests use when the machine has them: whether one is installed, what
// a command prints, and text with its spacing made comparable.

#include <optional>
#include <string>

namespace qb::testing {

bool Installed(const char* program);

// What the shell command writes to standard output; nothing when it fails.
std::optional<std::string> CommandOutput(const std::string& command);

// Runs of spaces, tabs and line ends become one space; none at either end.
std::string Squeeze(const std::string& text);

} // namespace qb::testing
