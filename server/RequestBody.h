#pragma once
// Splits a raw request body by the fields of its script, in catalogue order. Values are
// raw bytes (names may hold "&", "=", "+", "%"): a value runs to the first following marker
// of the next field, the last to the end. Never a generic form decoder.
//
// Names made now never hold a field marker (names/NameRule.h), so a body built from them
// splits one way only. A name made before that rule may hold one; the split above then
// keeps it whole in the last field, so such an entry can still be renamed, moved or deleted
// where it stands. Where the last field can never hold its own marker (a new name, a lock
// identity, note text) that marker is found from the end, so the fields before it may hold
// it too: the old name of a rename, the path of a note being opened.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::server {

struct Script {
    std::string name;                // "qbdir.pl"
    std::vector<std::string> fields; // in order, "ID" first
    bool lastMarkerFromEnd = false;  // the last field never holds its own marker
};

// The scripts, or nothing for an unknown name.
const Script* FindScript(std::string_view name);

struct ParsedBody {
    // Views into the body: nothing is copied before the service has judged the sizes.
    std::map<std::string, std::string_view> values;
    std::string error; // set when the body does not have the script's shape
};

ParsedBody SplitBody(const Script& script, std::string_view body);

} // namespace qb::server
