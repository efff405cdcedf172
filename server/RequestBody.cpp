#include "RequestBody.h"

#include <array>

namespace qb::server {

const Script* FindScript(std::string_view name)
{
    static const std::array<Script, 14> scripts = {{
        {"qbdir.pl", {"ID", "DIR"}},
        {"qbopen.pl", {"ID", "FILE", "LOCK"}, true},
        // LOCK carries the lock identity followed by "&UNLOCK=1" or the single "0".
        {"qbsave.pl", {"ID", "DIR", "FILE", "LOCK", "DATA"}, true},
        {"qbunlock.pl", {"ID", "FILE", "LOCK"}, true},
        {"qbnewdir.pl", {"ID", "DIR"}},
        {"qbrename.pl", {"ID", "DIR", "FROM", "TO"}, true},
        {"qbdelete.pl", {"ID", "DIR", "LIST"}},
        {"qbcopy.pl", {"ID", "DIR", "FROMDIR", "FILELIST"}},
        {"qbmove.pl", {"ID", "DIR", "FROMDIR", "FILELIST"}},
        // History: a note's versions and the account's trash.
        {"qbversions.pl", {"ID", "FILE"}},
        {"qbopenversion.pl", {"ID", "FILE", "VERSION"}},
        {"qbrestore.pl", {"ID", "FILE", "VERSION", "LOCK"}},
        {"qbtrash.pl", {"ID"}},
        {"qbundelete.pl", {"ID", "ENTRY"}},
    }};
    for (const auto& script : scripts) {
        if (script.name == name)
            return &script;
    }
    return nullptr;
}

ParsedBody SplitBody(const Script& script, std::string_view body)
{
    ParsedBody parsed;
    std::vector<std::string> markers;
    for (std::size_t i = 0; i < script.fields.size(); ++i)
        markers.push_back((i == 0 ? "" : "&") + script.fields[i] + "=");
    if (body.substr(0, markers[0].size()) != markers[0]) {
        parsed.error = "The request does not begin with its session field.";
        return parsed;
    }
    std::size_t pos = markers[0].size();
    for (std::size_t i = 0; i < script.fields.size(); ++i) {
        std::size_t end = body.size();
        if (i + 1 < script.fields.size()) {
            const bool fromEnd = script.lastMarkerFromEnd && i + 2 == script.fields.size();
            end = fromEnd ? body.rfind(markers[i + 1]) : body.find(markers[i + 1], pos);
            if (end == std::string_view::npos || end < pos) {
                parsed.error = "The request has no field " + script.fields[i + 1] + ".";
                return parsed;
            }
        }
        parsed.values[script.fields[i]] = body.substr(pos, end - pos);
        if (i + 1 < script.fields.size())
            pos = end + markers[i + 1].size();
    }
    return parsed;
}

} // namespace qb::server
