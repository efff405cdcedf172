#pragma once
// The one rule for the names of folders and notes, and the one form of a remote path. The
// server keeps the rule for every name a request creates; the client checks it before it
// sends one and says why in the same words. Plain logic on bytes (names travel as UTF-8).

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::names {

inline constexpr std::size_t kMaxNameBytes = 255;

// Every field marker any script sends. Bodies are never escaped, so a name holding one of
// these could be split in the wrong place by a script that has that field.
inline constexpr std::array<std::string_view, 13> kFieldMarkers = {
    "&ID=",   "&DIR=", "&FILE=", "&LOCK=",    "&UNLOCK=",   "&DATA=",    "&FROM=",
    "&TO=",   "&LIST=", "&FROMDIR=", "&FILELIST=", "&VERSION=", "&ENTRY=",
};

enum class NameFault {
    None,
    Empty,
    Reserved,         // "." or ".."
    TooLong,          // over kMaxNameBytes bytes
    ControlCharacter, // 0x00-0x1F or 0x7F
    Forbidden,        // "/", "|" or a field marker: NameCheck::found says which
};

struct NameCheck {
    NameFault fault = NameFault::None;
    std::string_view found; // for Forbidden: the character or marker met first in the name
    bool Ok() const { return fault == NameFault::None; }
};

NameCheck CheckName(std::string_view name);

// The sentence for a fault, with "%1" standing for NameCheck::found; "" for None. The client
// translates these very texts; DescribeName fills them in for the server.
const char* NameRuleSentence(NameFault fault);
// The sentence for the user: "" when the name is acceptable, else e.g.
// "A name cannot contain "&LIST=".".
std::string DescribeName(const NameCheck& check);

// A path is "" (the top folder) or "/" followed by names joined by "/", none of them empty,
// "." or "..". Only the form is judged: a path addresses entries that exist, and an entry
// named before the rule was kept must stay reachable. Nothing when the form is broken.
std::optional<std::vector<std::string_view>> PathSegments(std::string_view path);

} // namespace qb::names
