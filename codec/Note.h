#pragma once
// A note from the document to the text the server stores, and back:
//   document (RTF bytes) <-> packed block <-> envelope (sealed) <-> envelope text.
// Opening follows the editor's steps: read the envelope and the name of its key, then open
// it with a held key or one the user types for that name.

#include "CipherEnvelope.h"

namespace qb {

enum class NoteError {
    // Wrapping
    EmptyDocument,   // nothing to store
    DoesNotCompress, // a note's body must be shorter packed than plain
    TooLarge,        // over the 4 GiB the packed and sealed lengths can declare
    PackFailed,      // zlib failed while packing
    EmptyKey,        // an empty key text would be the public key filler alone
    // Reading
    NotText,        // holds characters that envelope text never holds
    Truncated,      // ends before the envelope's header does
    BadMagic,       // decodes, but is not an envelope
    // Opening
    NoKey,          // the key holder has no key for this step yet
    WrongKey,       // the key is not the note's (or the body is damaged inside its blocks)
    DamagedBody,    // the sealed body's header or size is damaged
    BadPackedBlock, // decrypted, but the packed document inside is damaged
};

// One line for the user, without a full stop.
std::string_view Describe(NoteError error);

// With the holder's save key (its name goes into the envelope).
Result<std::string, NoteError> WrapNote(ByteView document, const CCipherEnvelope& holder);
// With a key typed for this note alone.
Result<std::string, NoteError> WrapNote(ByteView document, std::string_view keyText, std::string_view keyName);

// Needs no key: any thread, any time. The key name says which key to ask the user for.
Result<DecodedEnvelope, NoteError> ReadNote(std::string_view text);
// With the holder's open key.
Result<Bytes, NoteError> OpenNote(const DecodedEnvelope& note, const CCipherEnvelope& holder);
// Reads and opens with a key typed for this note alone.
Result<Bytes, NoteError> OpenNote(std::string_view text, std::string_view keyText);

} // namespace qb
