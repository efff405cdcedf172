#pragma once
// The settings file: INI text, one section "QUILLBOX", read and written on every call
// (nothing cached, so a value written by one window is seen by the next reader at once).
// Other sections and keys of the file are kept as they are.

#include <optional>
#include <string>

namespace qb {

inline constexpr const char* kSettingsSection = "QUILLBOX";
inline constexpr std::size_t kSettingValueMax = 511;

// The value of key, at most 511 characters; "" when absent or the file is missing.
std::string ReadSettingString(const std::string& key, const std::string& iniPath);
// The value read the way atoi reads it; -1 when absent, 0 for text without digits.
int ReadSettingInt(const std::string& key, const std::string& iniPath);
bool WriteSettingString(const std::string& key, const std::string& value, const std::string& iniPath);
bool WriteSettingInt(const std::string& key, int value, const std::string& iniPath);

// Section and key lookup over INI text, for the store and its tests.
std::optional<std::string> FindIniValue(const std::string& text, const std::string& section, const std::string& key);
std::string SetIniValue(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& value);

} // namespace qb
