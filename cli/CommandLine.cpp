#include "CommandLine.h"

namespace qb::cli {

std::string Args::Value(const std::string& option) const
{
    const auto found = values.find(option);
    return found == values.end() || found->second.empty() ? std::string() : found->second.back();
}

const std::vector<std::string>& Args::Values(const std::string& option) const
{
    static const std::vector<std::string> none;
    const auto found = values.find(option);
    return found == values.end() ? none : found->second;
}

std::optional<Args> ParseArgs(const std::string& command, const std::vector<std::string>& words,
                              const std::vector<OptionSpec>& options, std::string& error)
{
    Args args;
    args.command = command;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word == "-" || word.size() < 2 || word[0] != '-') {
            args.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& option : options) {
            if (word == option.name || (!option.shortName.empty() && word == option.shortName))
                spec = &option;
        }
        if (!spec) {
            error = word == "--key" ? "keys are never taken from the command line: use --key-file or type it when asked"
                                    : command + " has no option " + word;
            return std::nullopt;
        }
        if (!spec->repeatable && args.Has(spec->name)) {
            error = spec->name + " is given twice";
            return std::nullopt;
        }
        if (!spec->takesValue) {
            args.flags.insert(spec->name);
            continue;
        }
        if (i + 1 >= words.size()) {
            error = word + " needs a value";
            return std::nullopt;
        }
        args.values[spec->name].push_back(words[++i]);
    }
    return args;
}

} // namespace qb::cli
