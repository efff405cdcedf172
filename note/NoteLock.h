#pragma once
// Releasing the lock an exclusive open took.

#include "NoteResult.h"

#include <string>

namespace qb {

class CClientApp;
class CNoteDocument;

// Posts the unlock script for the note at path with the lock value. The document, if any,
// is left as it is: the window decides what a failed unlock means.
NoteOutcome UnlockNote(CClientApp& app, const std::string& path, const std::string& lock);
NoteOutcome UnlockNote(CClientApp& app, const CNoteDocument& document);

} // namespace qb
