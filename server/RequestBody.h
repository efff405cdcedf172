#pragma once
// Splits a raw request body by the fields of its script, in catalogue order. Values are
// raw bytes (names may hold "&", "=", "+", "%"): a value runs to the next expected field
// marker, the last to the end. Never a generic form decoder.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::server {

struct Script {
    std::string name;                // "qbdir.pl"
    std::vector<std::string> fields; // in order, "ID" first
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
