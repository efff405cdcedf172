#pragma once
// What the server commands share: paths as users type them, finding an entry, making
// folders (the server names a new folder; the tool renames it), sealing a local file into
// note text, and a failure as one line.

#include "NoteFiles.h"

#include "app/RemoteTree.h"

#include <optional>
#include <string>
#include <string_view>

namespace qb::cli {

// "Docs/2007", "/Docs/2007/" and "/Docs/2007" are the remote path "/Docs/2007"; "/" and ""
// are Home ("").
std::string RemotePathOf(const std::string& typed);
// How a path is shown: Home as "/".
std::string Shown(const std::string& path);

// The server's words on one line: its lines joined with a blank.
std::string OneLine(const RemoteFailure& failure);
std::string OneLine(const std::string& text);

// The entry at path, from its parent's listing; nothing when there is none (error empty) or
// the listing failed (error set). Names compare as the server compares them: letter case
// aside.
std::optional<ListedEntry> FindEntry(CRemoteTree& tree, const std::string& path, std::string& error);

// Makes the folder at path: with parents, every missing folder on the way, and an existing
// folder is no failure.
RemoteResult<void> MakeFolder(CRemoteTree& tree, const std::string& path, bool parents);

// The note text as it is, or why the account would refuse to store it.
Result<std::string, std::string> WithinAccountLimit(std::string text, const std::string& account);
// A local file as note text, sealed with the key under its name; refuses what the account
// would refuse. Text is made into RTF first (needs a QGuiApplication).
Result<std::string, std::string> SealLocal(LocalKind kind, std::string_view bytes, const std::string& keyName,
                                           std::string_view key, const std::string& account);

} // namespace qb::cli
