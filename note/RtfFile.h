#pragma once
// A note as a plain RTF file on the user's computer: read whole into a text document, and
// written whole or not at all.

#include "codec/Result.h"

#include <QString>

#include <cstddef>

class QTextDocument;

namespace qb {

// A local RTF file may carry its pictures uncompressed, so it may be far larger than a note.
inline constexpr std::size_t kMaxLocalFileBytes = 64 * 1024 * 1024;

enum class RtfFileError {
    Unreadable,      // the file cannot be opened or read whole
    Empty,           // the file holds no bytes
    TooLarge,        // the file is larger than kMaxLocalFileBytes: nothing is read
    NotRtf,          // the bytes are no RTF: the document is left as it was
    WriteFailed,     // the file cannot be created or written: an old file stays as it was
    PicturesDropped, // some pictures cannot be written: nothing is written
};

struct RtfFileFailure {
    RtfFileError error = RtfFileError::Unreadable;
    QString message; // for the user, translated
};

// The file dialogs' filter for RTF files.
QString RtfFileFilter();

// Replaces the document's content with the file's. A damaged file gives what could be read.
Result<void, RtfFileFailure> LoadRtfFile(const QString& path, QTextDocument& document);

// Writes the document into a temporary file beside the target and renames it over the
// target only when everything is written, so a failure never leaves half a file.
Result<void, RtfFileFailure> SaveRtfFile(const QString& path, const QTextDocument& document);

} // namespace qb
