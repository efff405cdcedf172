#pragma once
// The bodies of the nine scripts, fields in catalogue order, values exactly as they stand:
// no escaping, names raw, several names each followed by one LF.

#include <string>
#include <vector>

namespace qb {

inline constexpr const char* kScriptDir = "bin/qbdir.pl";
inline constexpr const char* kScriptOpen = "bin/qbopen.pl";
inline constexpr const char* kScriptSave = "bin/qbsave.pl";
inline constexpr const char* kScriptUnlock = "bin/qbunlock.pl";
inline constexpr const char* kScriptNewDir = "bin/qbnewdir.pl";
inline constexpr const char* kScriptRename = "bin/qbrename.pl";
inline constexpr const char* kScriptDelete = "bin/qbdelete.pl";
inline constexpr const char* kScriptCopy = "bin/qbcopy.pl";
inline constexpr const char* kScriptMove = "bin/qbmove.pl";

std::string NameList(const std::vector<std::string>& names);

std::string ListBody(const std::string& token, const std::string& dir);
std::string OpenBody(const std::string& token, const std::string& file, const std::string& lock);
// Everything up to and including "&DATA="; the document text follows in pieces.
std::string SavePrefix(const std::string& token, const std::string& dir, const std::string& file,
                       const std::string& lock, bool releaseLock);
std::string UnlockBody(const std::string& token, const std::string& file, const std::string& lock);
std::string NewFolderBody(const std::string& token, const std::string& dir);
std::string RenameBody(const std::string& token, const std::string& dir, const std::string& from,
                       const std::string& to);
std::string DeleteBody(const std::string& token, const std::string& dir, const std::vector<std::string>& names);
// Copy and move share their fields.
std::string PasteBody(const std::string& token, const std::string& dir, const std::string& fromDir,
                      const std::vector<std::string>& names);

} // namespace qb
