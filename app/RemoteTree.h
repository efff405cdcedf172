#pragma once
// The server's operations as plain calls over the request channel, for a client that has no
// list control to hold a current folder (the command-line tool): each call is one script
// request with the catalogue's body, judged by the channel, failures in the channel's words.

#include "ListingLine.h"

#include "codec/Result.h"

#include <functional>
#include <string>
#include <vector>

namespace qb {

class CClientApp;

// Why a call failed: the text the explorer would show (the server's lines for a refusal),
// and whether the server refused (as opposed to the request not getting through).
struct RemoteFailure {
    std::string text;
    bool refused = false;
};

template <class T>
using RemoteResult = Result<T, RemoteFailure>;

class CRemoteTree {
public:
    explicit CRemoteTree(CClientApp& app) : m_app(app) {}

    // The folder's entries in the order the server sent them; malformed lines are skipped.
    RemoteResult<std::vector<ListedEntry>> List(const std::string& dir);
    // The server names a new folder; its entry comes back.
    RemoteResult<ListedEntry> NewFolder(const std::string& dir);
    RemoteResult<void> Rename(const std::string& dir, const std::string& from, const std::string& to);
    RemoteResult<void> Delete(const std::string& dir, const std::vector<std::string>& names);
    // Copies (the server names copies that would clash) or moves names from fromDir into dir.
    RemoteResult<void> Paste(bool move, const std::string& dir, const std::string& fromDir,
                             const std::vector<std::string>& names);
    // The note text at path as the server stores it. A lock value asks for the note's lock.
    RemoteResult<std::string> Fetch(const std::string& path, const std::string& lock = {});
    // Stores note text as the note name in dir, in pieces as the editor does.
    RemoteResult<void> Store(const std::string& dir, const std::string& name, std::string_view text,
                             const std::string& lock = {}, bool releaseLock = false);
    RemoteResult<void> Unlock(const std::string& path, const std::string& lock);

private:
    CClientApp& m_app;
};

} // namespace qb
