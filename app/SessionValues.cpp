#include "SessionValues.h"

#include <cstdio>
#include <cstdint>

#include <unistd.h>

namespace qb {

std::string ScriptBase()
{
    char base[32];
    std::snprintf(base, sizeof base, "/Buffer/Buffer%04d/", 0);
    return base;
}

std::string LockIdentity(const std::string& computerName, std::time_t now)
{
    if (computerName.empty())
        return std::to_string(static_cast<long long>(now));
    if (computerName.size() <= kIdentityMax)
        return computerName;
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (const unsigned char c : computerName)
        hash = (hash ^ c) * 16777619u;
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "~%05X", hash & 0xFFFFFu);
    return computerName.substr(0, 8) + suffix;
}

std::string ComputerName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

} // namespace qb
