#pragma once
// The listing line ("isFolder|size|modified|name") and remote paths, as plain text work
// shared by every client of the server: the explorer's list and the command-line tool.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qb {

struct ListedEntry {
    bool isFolder = false;
    std::int32_t size = 0;     // bytes of note text; 0 for folders
    std::int32_t modified = 0; // seconds since 1970 UTC; 0 or less: no time known
    std::string name;          // as the server sent it
};

enum class EntryLineError { BadNumbers = -1, NoName = -2 };

// Three "%d" numbers separated by "|", the name after the last "|". Numbers beyond 32 bits
// are clamped rather than left to overflow.
struct ParsedListingLine {
    std::optional<ListedEntry> entry;
    EntryLineError error = EntryLineError::BadNumbers;
};
ParsedListingLine ParseListingLine(std::string_view line);

// Remote paths: "" is Home; a child is parent + "/" + name; the parent is the text before
// the last "/".
std::string ChildPath(const std::string& dir, const std::string& name);
std::optional<std::string> ParentPath(const std::string& path);
// The name after the last "/" (the whole path when it has none).
std::string LeafName(const std::string& path);

} // namespace qb
