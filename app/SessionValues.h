#pragma once
// The values fixed once per run: lock identity, account, script base, settings path.

#include <ctime>
#include <string>

namespace qb {

inline constexpr const char* kSharedAccount = "kiwi";
inline constexpr const char* kUserAgent = "Quillbox Explorer";
inline constexpr const char* kSettingsFileName = "Quillbox.ini";
inline constexpr std::size_t kIdentityMax = 14;

// "/Buffer/Buffer%04d/" with 0.
std::string ScriptBase();

// The lock identity from the computer's name: the name itself when it has 1 to 14
// characters. A longer name still gives a stable identity of 14 characters (its first 8,
// "~", and 5 hex digits of a hash of the whole name), so a computer keeps its locks across
// runs; with no name at all, the current time in decimal.
std::string LockIdentity(const std::string& computerName, std::time_t now);
std::string ComputerName(); // "" when it cannot be had

} // namespace qb
