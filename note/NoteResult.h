#pragma once
// How an open, save or unlock ended when it did not succeed: what went wrong and the text
// the window shows for it ("" when there is nothing to show: the user cancelled, or a
// dialog already said it).

#include "app/ScriptReply.h"
#include "codec/Result.h"

#include <QString>

namespace qb {

enum class NoteFailureKind {
    Channel,        // the request failed or the server refused it: its own words
    TooLarge,       // the server announced more than a note can hold
    Unreadable,     // the server's text is not a note envelope
    Cancelled,      // the user cancelled a name or key dialog
    DecryptFailed,  // neither key opened the note; the window was shown the source
    NotRtf,         // decrypted, but the document inside cannot be loaded
    NoKey,          // no key to save with: the user would not make one
    PackFailed,     // writing or compressing the document failed
    WrapFailed,     // sealing the packed document failed
    OverAccountLimit, // the shared account refuses notes this long
};

struct NoteFailure {
    NoteFailureKind kind = NoteFailureKind::Channel;
    QString message;
};

using NoteOutcome = Result<void, NoteFailure>;

// A request that failed or was refused, in the channel's words.
inline Failure<NoteFailure> ChannelFailure(const ScriptReply& reply)
{
    return Fail(NoteFailure{NoteFailureKind::Channel, QString::fromStdString(reply.UserText())});
}

} // namespace qb
