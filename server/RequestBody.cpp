#include "RequestBody.h"

#include <array>

namespace qb::server {

const Script* FindScript(std::string_view name)
{
    static const std::array<Script, 14> scripts = {{
        {"qbdir.pl", {"ID", "DIR"}},
        {"qbopen.pl", {"ID", "FILE", "LOCK"}},
        // LOCK carries the lock identity followed by "&UNLOCK=1" or the single "0".
        {"qbsave.pl", {"ID", "DIR", "FILE", "LOCK", "DATA"}},
        {"qbunlock.pl", {"ID", "FILE", "LOCK"}},
        {"qbnewdir.pl", {"ID", "DIR"}},
        {"qbrename.pl", {"ID", "DIR", "FROM", "TO"}},
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
            end = body.find(markers[i + 1], pos);
            if (end == std::string_view::npos) {
                parsed.error = "The request has no field " + script.fields[i + 1] + ".";
                return parsed;
            }
        }
        const std::string_view value = body.substr(pos, end - pos);
        // A value holding a later marker would have been split in the wrong place.
        for (std::size_t j = 1; j < markers.size(); ++j) {
            if (value.find(markers[j]) != std::string_view::npos) {
                parsed.error = "A name or value cannot contain \"" + markers[j] + "\".";
                return parsed;
            }
        }
        parsed.values[script.fields[i]] = value;
        if (i + 1 < script.fields.size())
            pos = end + markers[i + 1].size();
    }
    return parsed;
}

} // namespace qb::server
