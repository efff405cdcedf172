#pragma once
// Opening a note into a document: fetch it (exclusively when asked), find its key (the held
// one first, then the user's), decrypt, unpack and read the RTF. Also opening a local RTF
// file.

#include "NoteResult.h"

#include <QString>

#include <cstddef>
#include <string>

namespace qb {

class CClientApp;
class CNoteDocument;
class INoteHost;
class INoteWindow;

// The largest note text an open accepts: four times what the server stores, so that a
// reply announcing more is a damaged or hostile one, refused before anything is read.
inline constexpr std::size_t kMaxNoteTextBytes = 16 * 1024 * 1024;
// The note text is read in pieces of this size, one progress step each.
inline constexpr std::size_t kReadPiece = 4096;
// What the decryption failure shows: the text after the envelope's first line (72
// characters and its LF), at most this many characters.
inline constexpr std::size_t kExcerptStart = 73;
inline constexpr std::size_t kExcerptMax = 2046;

// Fetches the note at path (the listing's folder, "/", the name) into document. lock is the
// session's identity for an exclusive open, else empty; if an exclusive open fails after
// the server granted the lock, the lock is released before this returns. Progress goes to the host's bar (the editor is
// not shown yet). A key typed here becomes the open key and, once the note is loaded,
// the save key under the note's key name.
NoteOutcome OpenRemoteNote(CClientApp& app, CNoteDocument& document, const std::string& path, const std::string& lock,
                           INoteWindow& window, INoteHost& host);

// Opens note text fetched by other means (an earlier version of the note at path) with the
// same keys as an open of the note; the document holds no lock.
NoteOutcome OpenNoteText(CClientApp& app, CNoteDocument& document, const std::string& path, const std::string& text,
                         INoteWindow& window, INoteHost& host);

// Loads a local RTF file; the note keeps the file's name and will be saved into remoteDir.
// A file that cannot be opened or read gives the message of a file in use; an empty, a
// non-RTF or an oversized file says which it is.
NoteOutcome OpenLocalNote(CNoteDocument& document, const QString& filePath, const std::string& remoteDir);

} // namespace qb
