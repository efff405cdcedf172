#pragma once
// The command line of quillbox-cli: a command word, then options and operands in any order.
// Each command names the options it takes, so a misspelt option is a usage error, never an
// operand.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qb::cli {

struct OptionSpec {
    std::string name;       // "--server"
    std::string shortName;  // "-q", or empty
    bool takesValue = false;
    bool repeatable = false; // --key-file may be given once per key
};

struct Args {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::vector<std::string>> values; // by long name
    std::set<std::string> flags;                            // by long name

    bool Has(const std::string& flag) const { return flags.count(flag) > 0 || values.count(flag) > 0; }
    // The option's value; "" when it was not given.
    std::string Value(const std::string& option) const;
    const std::vector<std::string>& Values(const std::string& option) const;
};

// Everything after the command word; "--" ends the options. Nothing, with error set, for an
// unknown option, a missing value or a repeated single option.
std::optional<Args> ParseArgs(const std::string& command, const std::vector<std::string>& words,
                              const std::vector<OptionSpec>& options, std::string& error);

} // namespace qb::cli
