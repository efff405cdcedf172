#pragma once
// Between local files and notes: which local files become notes and under what name, the
// local name a note is exported under, and RTF to and from plain text. The conversions use
// Qt's text document, so they need a QGuiApplication.

#include <optional>
#include <string>
#include <string_view>

namespace qb::cli {

enum class LocalKind {
    Rtf,      // stored as it is, encrypted
    Text,     // UTF-8 text, made into RTF, encrypted
    Envelope, // note text as the server stores it (an export's .qbx): stored as it is
    Other,    // not imported
};

inline constexpr std::string_view kEnvelopeExtension = ".qbx";

// By the file name's extension, letters in any case.
LocalKind KindOfFileName(const std::string& fileName);
bool LooksLikeRtf(std::string_view bytes);
// The note name a local file is stored under: "a.rtf" stays, "a.txt" becomes "a.rtf", and
// "a.rtf.qbx" becomes "a.rtf".
std::string NoteNameFor(const std::string& fileName, LocalKind kind);
// The local file name a note is exported under: the note's name, with ".rtf" added unless it
// ends in it; as its envelope, the name with ".qbx" added.
std::string ExportNameFor(const std::string& noteName, bool envelope);

std::string TextToRtf(std::string_view utf8);
// The plain text, one line feed after the last paragraph; nothing when it is not RTF.
std::optional<std::string> RtfToText(std::string_view rtf);

} // namespace qb::cli
