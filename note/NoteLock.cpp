#include "NoteLock.h"

#include "NoteDocument.h"

#include "app/ClientApp.h"
#include "app/RequestBodies.h"

namespace qb {

NoteOutcome UnlockNote(CClientApp& app, const std::string& path, const std::string& lock)
{
    const ScriptReply reply = app.Post(kScriptUnlock, UnlockBody(app.MakeSessionToken(), path, lock));
    if (!reply.Ok())
        return ChannelFailure(reply);
    return {};
}

NoteOutcome UnlockNote(CClientApp& app, const CNoteDocument& document)
{
    // Only a note opened from the listing holds a lock, and its name is its whole path.
    return UnlockNote(app, document.NoteName(), document.LockValue());
}

} // namespace qb
