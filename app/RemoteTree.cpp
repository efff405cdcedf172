#include "RemoteTree.h"

#include "ClientApp.h"
#include "RequestBodies.h"

namespace qb {
namespace {

Failure<RemoteFailure> Failed(const ScriptReply& reply)
{
    std::string text = reply.UserText();
    // No session means nothing could be sent; the explorer says nothing, a script needs words.
    if (text.empty())
        text = kErrorNotResponding;
    return Fail(RemoteFailure{std::move(text), reply.Error() == ChannelError::Refused});
}

} // namespace

RemoteResult<std::vector<ListedEntry>> CRemoteTree::List(const std::string& dir)
{
    ScriptReply reply = m_app.Post(kScriptDir, ListBody(m_app.MakeSessionToken(), dir));
    if (!reply.Ok())
        return Failed(reply);
    std::vector<ListedEntry> entries;
    for (std::string line; reply.ReadLine(line);) {
        if (auto parsed = ParseListingLine(line); parsed.entry)
            entries.push_back(std::move(*parsed.entry));
    }
    return entries;
}

RemoteResult<ListedEntry> CRemoteTree::NewFolder(const std::string& dir)
{
    ScriptReply reply = m_app.Post(kScriptNewDir, NewFolderBody(m_app.MakeSessionToken(), dir));
    if (!reply.Ok())
        return Failed(reply);
    std::string line;
    reply.ReadLine(line);
    auto parsed = ParseListingLine(line);
    if (!parsed.entry)
        return Fail(RemoteFailure{"The server did not name the new folder.", false});
    return std::move(*parsed.entry);
}

RemoteResult<void> CRemoteTree::Rename(const std::string& dir, const std::string& from, const std::string& to)
{
    const ScriptReply reply = m_app.Post(kScriptRename, RenameBody(m_app.MakeSessionToken(), dir, from, to));
    if (!reply.Ok())
        return Failed(reply);
    return {};
}

RemoteResult<void> CRemoteTree::Delete(const std::string& dir, const std::vector<std::string>& names)
{
    const ScriptReply reply = m_app.Post(kScriptDelete, DeleteBody(m_app.MakeSessionToken(), dir, names));
    if (!reply.Ok())
        return Failed(reply);
    return {};
}

RemoteResult<void> CRemoteTree::Paste(bool move, const std::string& dir, const std::string& fromDir,
                                      const std::vector<std::string>& names)
{
    const ScriptReply reply =
        m_app.Post(move ? kScriptMove : kScriptCopy, PasteBody(m_app.MakeSessionToken(), dir, fromDir, names));
    if (!reply.Ok())
        return Failed(reply);
    return {};
}

RemoteResult<std::string> CRemoteTree::Fetch(const std::string& path, const std::string& lock)
{
    ScriptReply reply = m_app.Post(kScriptOpen, OpenBody(m_app.MakeSessionToken(), path, lock));
    if (!reply.Ok())
        return Failed(reply);
    const long long announced = ParseOpenStatus(reply.FirstLine()).value_or(0);
    std::string text = reply.ReadBytes(static_cast<std::size_t>(announced));
    if (text.size() != static_cast<std::size_t>(announced))
        return Fail(RemoteFailure{"The server sent " + std::to_string(text.size()) + " of the "
                                      + std::to_string(announced) + " bytes it announced.",
                                  false});
    return text;
}

RemoteResult<void> CRemoteTree::Store(const std::string& dir, const std::string& name, std::string_view text,
                                      const std::string& lock, bool releaseLock)
{
    const ScriptReply reply = m_app.PostStreamed(
        kScriptSave, SavePrefix(m_app.MakeSessionToken(), dir, name, lock, releaseLock), text, {});
    if (!reply.Ok())
        return Failed(reply);
    return {};
}

RemoteResult<void> CRemoteTree::Unlock(const std::string& path, const std::string& lock)
{
    const ScriptReply reply = m_app.Post(kScriptUnlock, UnlockBody(m_app.MakeSessionToken(), path, lock));
    if (!reply.Ok())
        return Failed(reply);
    return {};
}

} // namespace qb
