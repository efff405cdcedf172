#pragma once
// The program's name and version: the About box, message box captions and the explorer's
// title show them. Names are not translated.

namespace qb {

inline constexpr const char* kProgramName = "Quillbox Explorer";
inline constexpr const char* kProgramVersion = QUILLBOX_VERSION; // the CMake project version

} // namespace qb
