#pragma once
// Writes a QTextDocument as RTF that the platform's rich edit control and word processors
// read with the same formatting: a code page 1252 header with font and colour tables, then
// paragraphs with their formats, lists in the rich edit form (\pntext and \pn), pictures as
// \pngblip or \jpegblip, tables, links as HYPERLINK fields. Characters outside code page
// 1252 go out as \uN with a "?" fallback. A picture that cannot be encoded is left out and
// named in the result, so that no save reports success without it.

#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

namespace qb::rtf {

inline constexpr std::size_t kWritePiece = 4096;

// A picture of the document that is not in the RTF: its resource is missing or is no image
// that can be read.
struct DroppedPicture {
    QString name;     // the image's resource name
    int position = 0; // its place in the document, as a QTextCursor position
    bool operator==(const DroppedPicture&) const = default;
};

struct WriteResult {
    bool sinkAccepted = true; // false: the sink refused a piece and the writing stopped
    std::vector<DroppedPicture> droppedPictures;
    // Everything of the document is in the RTF the sink took.
    bool Complete() const { return sinkAccepted && droppedPictures.empty(); }
};

// Hands the RTF to sink in pieces of pieceSize bytes (the last may be shorter); a sink that
// returns false stops the writing.
[[nodiscard]] WriteResult WriteRtf(const QTextDocument& document,
                                   const std::function<bool(std::string_view)>& sink,
                                   std::size_t pieceSize = kWritePiece);

struct RtfText {
    std::string rtf;
    std::vector<DroppedPicture> droppedPictures;
};

[[nodiscard]] RtfText ToRtf(const QTextDocument& document);

} // namespace qb::rtf
