#pragma once
// Writes a QTextDocument as RTF that the platform's rich edit control and word processors
// read with the same formatting: a code page 1252 header with font and colour tables, then
// paragraphs with their formats, lists in the rich edit form (\pntext and \pn), pictures as
// \pngblip or \jpegblip, tables, links as HYPERLINK fields. Characters outside code page
// 1252 go out as \uN with a "?" fallback.

#include <functional>
#include <string>
#include <string_view>

class QTextDocument;

namespace qb::rtf {

inline constexpr std::size_t kWritePiece = 4096;

// Hands the RTF to sink in pieces of pieceSize bytes (the last may be shorter); a sink that
// returns false stops the writing, and WriteRtf returns false.
bool WriteRtf(const QTextDocument& document, const std::function<bool(std::string_view)>& sink,
              std::size_t pieceSize = kWritePiece);
std::string ToRtf(const QTextDocument& document);

} // namespace qb::rtf
