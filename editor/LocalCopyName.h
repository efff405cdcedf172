#pragma once
// The file name a local copy of a note is first offered under.

#include <QString>

#include <string>

namespace qb {

// The note's name after its last "/" (a note opened from the list carries its folder
// path); the whole name when it has none; empty for a note not yet named.
QString LocalCopyName(const std::string& noteName);

} // namespace qb
