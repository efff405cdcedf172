#pragma once
// A note's versions and the account's trash, as the server keeps them: the request bodies,
// the reading of their replies, and one call per operation through the application's
// request channel. No widget: the explorer's dialogs and the command line share it.

#include "ScriptReply.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qb {

class CClientApp;

inline constexpr const char* kScriptVersions = "bin/qbversions.pl";
inline constexpr const char* kScriptOpenVersion = "bin/qbopenversion.pl"; // answers "OK n" as an open does
inline constexpr const char* kScriptRestore = "bin/qbrestore.pl";
inline constexpr const char* kScriptTrash = "bin/qbtrash.pl";
inline constexpr const char* kScriptUndelete = "bin/qbundelete.pl";

std::string VersionsBody(const std::string& token, const std::string& file);
std::string OpenVersionBody(const std::string& token, const std::string& file, std::int64_t version);
std::string RestoreBody(const std::string& token, const std::string& file, std::int64_t version,
                        const std::string& lock);
std::string TrashBody(const std::string& token);
std::string UndeleteBody(const std::string& token, std::int64_t entry);

// What a save replaced, kept by the server.
struct NoteVersion {
    std::int64_t id = 0;
    std::int64_t size = 0;  // bytes of envelope text
    std::int64_t saved = 0; // when that text was saved, seconds since 1970 UTC
    bool operator==(const NoteVersion&) const = default;
};

// A deleted note or folder.
struct TrashEntry {
    std::int64_t id = 0;
    bool isFolder = false;
    std::int64_t size = 0;    // bytes of every note in it
    std::int64_t deleted = 0; // seconds since 1970 UTC
    std::string path;         // where it was, its name last
    std::string Name() const;  // the text after the last "/"
    std::string Place() const; // the folder it was in ("" for the top folder)
    bool operator==(const TrashEntry&) const = default;
};

// "id|size|saved" lines, newest first; nothing when a line is malformed.
std::optional<std::vector<NoteVersion>> ParseVersionLines(ReplyReader& lines);
// "id|isFolder|size|deleted|path" lines, newest first; nothing when a line is malformed.
std::optional<std::vector<TrashEntry>> ParseTrashLines(ReplyReader& lines);

// Each call is one blocking request. On failure it returns nothing and Error() is the text
// for the user (the server's refusal, or the channel's failure).
class CNoteHistory {
public:
    explicit CNoteHistory(CClientApp& app) : m_app(app) {}

    std::optional<std::vector<NoteVersion>> Versions(const std::string& file);
    // The version's envelope text, as an open gives a note's.
    std::optional<std::string> OpenVersion(const std::string& file, std::int64_t version);
    // The version becomes the note's text; lock is this computer's identity when it holds
    // the note's lock, else empty.
    bool Restore(const std::string& file, std::int64_t version, const std::string& lock = {});
    std::optional<std::vector<TrashEntry>> Trash();
    // The path where the entry was put back.
    std::optional<std::string> Undelete(std::int64_t entry);

    const std::string& Error() const { return m_error; }

private:
    std::optional<ScriptReply> Send(const char* script, const std::string& body);

    CClientApp& m_app;
    std::string m_error;
};

} // namespace qb
