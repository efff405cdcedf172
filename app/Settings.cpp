#include "Settings.h"

#include "AsciiCase.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include <unistd.h>

namespace qb {
namespace {

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; anything else nothing.
std::optional<std::string> SectionName(const std::string& line)
{
    const std::string t = Trim(line);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']')
        return Trim(t.substr(1, t.size() - 2));
    return std::nullopt;
}

std::optional<std::string> KeyOf(const std::string& line)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos || SectionName(line) || Trim(line).starts_with(';'))
        return std::nullopt;
    return Trim(line.substr(0, eq));
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
}

} // namespace

std::optional<std::string> FindIniValue(const std::string& text, const std::string& section, const std::string& key)
{
    bool inSection = false;
    for (const auto& line : Lines(text)) {
        if (const auto name = SectionName(line)) {
            inSection = EqualsNoCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = KeyOf(line); k && EqualsNoCase(*k, key)) {
            std::string value = Trim(line.substr(line.find('=') + 1));
            // The profile functions drop one pair of surrounding quotes.
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return std::nullopt;
}

std::string SetIniValue(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& value)
{
    std::vector<std::string> lines = Lines(text);
    const std::string entry = key + "=" + value;
    int sectionAt = -1;
    int lastInSection = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (sectionAt >= 0)
                break; // past our section
            if (EqualsNoCase(*name, section))
                sectionAt = lastInSection = i;
            continue;
        }
        if (sectionAt < 0)
            continue;
        if (const auto k = KeyOf(lines[i]); k && EqualsNoCase(*k, key)) {
            lines[i] = entry;
            sectionAt = -2; // replaced
            break;
        }
        if (!Trim(lines[i]).empty())
            lastInSection = i;
    }
    if (sectionAt == -1) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    } else if (sectionAt >= 0) {
        lines.insert(lines.begin() + lastInSection + 1, entry);
    }
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

std::string ReadSettingString(const std::string& key, const std::string& iniPath)
{
    std::string value = FindIniValue(ReadFile(iniPath), kSettingsSection, key).value_or("");
    if (value.size() > kSettingValueMax)
        value.resize(kSettingValueMax);
    return value;
}

int ReadSettingInt(const std::string& key, const std::string& iniPath)
{
    const auto value = FindIniValue(ReadFile(iniPath), kSettingsSection, key);
    const std::string text = value ? value->substr(0, kSettingValueMax) : "-1";
    return std::atoi(text.c_str());
}

bool WriteSettingString(const std::string& key, const std::string& value, const std::string& iniPath)
{
    // A value must stay on its line.
    if (key.empty() || key.find_first_of("=\r\n[") != std::string::npos
        || value.find_first_of("\r\n") != std::string::npos)
        return false;
    const std::string text = SetIniValue(ReadFile(iniPath), kSettingsSection, key, value);
    // Written beside the file and renamed over it, so a crash never leaves half a file.
    const std::string temp = iniPath + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), iniPath.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool WriteSettingInt(const std::string& key, int value, const std::string& iniPath)
{
    return WriteSettingString(key, std::to_string(value), iniPath);
}

} // namespace qb
