#pragma once
// Saving a note: name a new one, insist on a key, then write the RTF, compress, seal and
// stream it to the server. A failed save leaves the document as it was, still modified.

#include "NoteResult.h"

#include <cstddef>
#include <optional>
#include <string>

namespace qb {

class CCipherEnvelope;
class CClientApp;
class CNoteDocument;
class INoteHost;
class INoteWindow;

// The shared account stores note texts of at most this many characters (line feeds count).
inline constexpr std::size_t kSharedAccountNoteLimit = 10000;
// Whether that account refuses a note text of this length.
bool ExceedsAccountLimit(const std::string& account, std::size_t textLength);

// Saves the document where it belongs (asking for a name when it has none, or when it is a
// local file whose name the listing already shows) and, with releaseLock, releases the
// lock in the same request. On success the document is that remote note, unmodified, and
// the host's listing is fetched again.
NoteOutcome SaveNote(CClientApp& app, CNoteDocument& document, bool releaseLock, INoteWindow& window,
                     INoteHost& host);

// The name with ".rtf" appended unless it ends in exactly that (letter case counts).
std::string WithRtfExtension(std::string name);
// The file name dialog until it gives a name the listing does not show; nothing when
// cancelled.
std::optional<std::string> AskNewName(INoteWindow& window, const INoteHost& host, bool nameExists);
// The key dialog in create mode; on OK the key becomes the holder's save key.
bool AskSaveKey(INoteWindow& window, CCipherEnvelope& holder);

} // namespace qb
