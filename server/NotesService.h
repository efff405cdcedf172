#pragma once
// The protocol: one script request (raw body) in, the reply text out. Judges the session
// token, validates every path and name, and applies the tree, lock and size rules inside
// one store transaction per request.

#include "ListingCache.h"
#include "NoteStore.h"
#include "RequestBody.h"
#include "Retention.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qb::server {

struct Tree;

struct ServiceOptions {
    std::int64_t lockLeaseSeconds = 12 * 3600;
    std::size_t maxNoteBytes = 4 * 1024 * 1024;
    std::string sharedAccount = "kiwi";
    std::size_t sharedAccountNoteLimit = 10000; // the client checks the same limit
    bool cacheListings = true;
    std::size_t listingCacheBytes = ListingCache::kDefaultMaxBytes;
    // What one copy request may create: bounds how long it holds the write lock.
    std::int64_t maxCopyNodes = 10000;
    std::int64_t maxCopyBytes = 16 * 1024 * 1024;
    RetentionOptions retention;
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
    const ListingCache& Listings() const { return m_listings; }

private:
    // What every script's handler works with.
    struct Request {
        const std::string& account;
        const std::map<std::string, std::string>& values;
        std::int64_t now;
        Reply& reply;
        std::string out; // the reply on success
        const std::string& Field(const char* name) const { return values.at(name); }
    };

    std::string Dispatch(const Script& script, const std::string& account, const ParsedBody& body, Reply& reply);
    // The refusal for values too large to copy (paths, lock part, note text), or nothing.
    std::string SizeRefusal(const std::string& account, const ParsedBody& body) const;
    // The refusal for a folder path out of form, or nothing.
    static std::string FormRefusal(const ParsedBody& body);
    // Runs work in one transaction; the refusal, or r.out once committed.
    std::string Run(Request& r, bool write, const std::function<std::string(Tree&)>& work);

    std::string List(Request& r);
    std::string NewFolder(Request& r);
    std::string Rename(Request& r);
    std::string Delete(Request& r);
    std::string CopyOrMove(Request& r, bool isMove);
    std::string Open(Request& r);
    std::string Save(Request& r);
    std::string Unlock(Request& r);

    // Versions and trash (NotesHistory.cpp). Nothing when the script is not one of them.
    std::optional<std::string> DispatchHistory(const std::string& name, Request& r);
    std::string Versions(Request& r);
    std::string OpenVersion(Request& r);
    std::string Restore(Request& r);
    std::string TrashList(Request& r);
    std::string Undelete(Request& r);

    INoteStore& m_store;
    ServiceOptions m_options;
    Clock m_clock;
    ListingCache m_listings;
    // Set when the storage was found full, until a save fits again: meanwhile history is
    // not kept, so that a delete gives room back.
    std::atomic<bool> m_storageFull = false;
};

// "isFolder|size|modified|name", the listing line the client parses.
std::string EntryLine(const Node& node);
void AppendEntryLine(std::string& out, bool isFolder, std::int64_t size, std::int64_t modified,
                     std::string_view name); // with its LF

} // namespace qb::server
