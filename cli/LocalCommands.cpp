// Commands that need no server: wrap and unwrap a note, a session token, a setting, and what
// the RTF reader and writer make of a file.

#include "CommandTable.h"
#include "KeyRing.h"
#include "LocalFiles.h"

#include "app/Settings.h"

#include <ctime>
#include <ostream>

namespace qb::cli {
namespace {

int Wrap(Context& c)
{
    std::string error;
    const auto input = ReadInput(c.args.operands.empty() ? "" : c.args.operands[0], error);
    if (!input) {
        c.Error(error);
        return kExitFailed;
    }
    const auto output = c.args.command == "wrap" ? WrapCommand(*input, c.args.Value("--name"), SingleKeySource(c))
                                                 : UnwrapCommand(*input, SingleKeySource(c));
    if (!output) {
        c.Error(output.error());
        return kExitFailed;
    }
    if (!WriteOutput(c.args.Value("--output"), *output, c.Out(), error)) {
        c.Error(error);
        return kExitFailed;
    }
    return kExitDone;
}

int Token(Context& c)
{
    const std::string token = MakeToken(c.args.Value("--account"), std::time(nullptr));
    if (token.empty()) {
        c.Error("the token cannot be made");
        return kExitFailed;
    }
    c.Out() << token << "\n";
    return kExitDone;
}

int Setting(Context& c)
{
    const std::string ini = c.args.Value("--ini");
    const auto& words = c.args.operands;
    if (words.size() == 1) {
        c.Out() << ReadSettingString(words[0], ini) << "\n";
        return kExitDone;
    }
    if (!WriteSettingString(words[0], words[1], ini)) {
        c.Error("cannot write " + ini);
        return kExitFailed;
    }
    return kExitDone;
}

int Rtf(Context& c)
{
    std::string error;
    const auto input = ReadInput(c.args.operands.empty() ? "" : c.args.operands[0], error);
    if (!input) {
        c.Error(error);
        return kExitFailed;
    }
    std::string out;
    const bool complete = RtfCommand(c.args.command, *input, out, error);
    c.Out() << out;
    c.Out().flush();
    if (!complete) {
        c.Error(error);
        return kExitFailed;
    }
    return kExitDone;
}

// A required option is checked by the command, so its message can say what it is for.
std::function<int(Context&)> Requiring(const std::string& option, const std::string& why,
                                       std::function<int(Context&)> run)
{
    return [=](Context& c) {
        if (!c.args.Has(option)) {
            c.Error(c.args.command + " needs " + option + " " + why);
            return kExitUsage;
        }
        return run(c);
    };
}

} // namespace

void AddLocalCommands(std::vector<CommandSpec>& table)
{
    const OptionSpec keyFile{"--key-file", "-k", true, false};
    table.push_back({"wrap", "wrap --name KEYNAME [--key-file FILE] [-o OUT] [IN]",
                     {kNameOption, keyFile, kOutputOption}, 0, 1, false, false,
                     Requiring("--name", "KEYNAME (the name the editor shows when it asks for the key)", Wrap)});
    table.push_back({"unwrap", "unwrap [--key-file FILE] [-o OUT] [IN]", {keyFile, kOutputOption}, 0, 1, false, false,
                     Wrap});
    table.push_back({"token", "token --account NAME", {{"--account", "", true, false}}, 0, 0, false, false,
                     Requiring("--account", "NAME", Token)});
    table.push_back({"setting", "setting --ini FILE KEY [VALUE]   (reads, or writes, section QUILLBOX)",
                     {{"--ini", "", true, false}}, 1, 2, false, false, Requiring("--ini", "FILE", Setting)});
    for (const char* name : {"rtf-text", "rtf-html", "rtf-roundtrip"})
        table.push_back({name, std::string(name) + " [FILE]", {}, 0, 1, false, true, Rtf});
}

} // namespace qb::cli
