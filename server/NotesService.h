#pragma once
// The protocol: one script request (raw body) in, the reply text out. Judges the session
// token, validates every path and name, and applies the tree, lock and size rules inside
// one store transaction per request.

#include "ListingCache.h"
#include "NoteStore.h"
#include "RequestBody.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qb::server {

struct ServiceOptions {
    std::int64_t lockLeaseSeconds = 12 * 3600;
    std::size_t maxNoteBytes = 4 * 1024 * 1024;
    std::string sharedAccount = "kiwi";
    std::size_t sharedAccountNoteLimit = 10000; // the client checks the same limit
    bool cacheListings = true; // only when this server is the one writer of its storage
};

struct Reply {
    std::string text;    // "OK..." or "ERROR: ..."
    std::string account; // for the log; empty when the token did not open
    bool ok = false;
    std::string failure; // a storage error, for the log only
};

class NotesService {
public:
    using Clock = std::function<std::int64_t()>;
    NotesService(INoteStore& store, ServiceOptions options, Clock clock = {});

    Reply Handle(const Script& script, std::string_view body);

private:
    std::string Dispatch(const Script& script, const std::string& account, const ParsedBody& body, Reply& reply);

    INoteStore& m_store;
    ServiceOptions m_options;
    Clock m_clock;
    ListingCache m_listings;
};

// "isFolder|size|modified|name", the listing line the client parses.
std::string EntryLine(const Node& node);
void AppendEntryLine(std::string& out, bool isFolder, std::int64_t size, std::int64_t modified,
                     std::string_view name); // with its LF

} // namespace qb::server
