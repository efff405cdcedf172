#pragma once
// Reads RTF into a QTextDocument: text through the fonts' code pages and \u, character
// and paragraph formats, lists in both the old (\pn) and the new (\ls) form, pictures,
// tables, fields and links. Iterative, with a group depth limit; any input gives the best
// document it can, never a crash or a runaway allocation.

#include <string_view>

class QTextDocument;

namespace qb::rtf {

enum class ReadStatus {
    Ok,
    Damaged, // unbalanced or truncated: what could be read is in the document
    NotRtf,  // does not start with "{\rtf": the document is left empty
};

inline constexpr int kMaxGroupDepth = 1000;   // deeper groups are skipped whole
inline constexpr int kMaxTableColumns = 64;  // further cells go into the last column
inline constexpr int kMaxFontHalfPoints = 3276; // \fs beyond it is read as this size

ReadStatus ReadRtf(std::string_view rtf, QTextDocument& document);

} // namespace qb::rtf
