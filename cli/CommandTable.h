#pragma once
// Every command of quillbox-cli is one row: its word, its usage line, the options it takes,
// how many operands, what it needs (a server session, Qt's text engine) and the function
// that runs it. A new command is a new row in one of the Add...Commands functions.

#include "CommandLine.h"
#include "Commands.h"

#include "app/HttpChannel.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace qb {
class CClientApp;
class CRemoteTree;
} // namespace qb

namespace qb::cli {

// Exit status: everything done, some items failed (each named on standard error), or the
// command line was wrong.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What a run may touch: its streams, whether standard error is a terminal (for the progress
// bar), and how a key is asked for when no --key-file is given.
struct Environment {
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool errIsTerminal = false;
    KeySource askKey; // empty: there is no one to ask
};

struct Context {
    const Args& args;
    const Environment& env;
    CClientApp* app = nullptr;   // commands that reach the server
    CRemoteTree* tree = nullptr; // the same, as plain calls
    ServerAddress server;        // where app reaches
    std::ostream& Out() const { return *env.out; }
    std::ostream& Err() const { return *env.err; }
    // "quillbox-cli: " + message, one line on standard error.
    void Error(const std::string& message) const;
};

struct CommandSpec {
    std::string name;
    std::string usage; // after "quillbox-cli "
    std::vector<OptionSpec> options;
    int minOperands = 0;
    int maxOperands = 0; // -1: any number
    bool remote = false; // opens a session to --server
    bool textEngine = false; // reads or writes RTF through Qt's text document
    std::function<int(Context&)> run;
};

// The options every server command takes.
std::vector<OptionSpec> ServerOptions(std::vector<OptionSpec> more = {});
inline const OptionSpec kKeyFileOption{"--key-file", "-k", true, true};
inline const OptionSpec kQuietOption{"--quiet", "-q", false, false};
inline const OptionSpec kOutputOption{"--output", "-o", true, false};
inline const OptionSpec kNameOption{"--name", "-n", true, false};
inline const OptionSpec kJsonOption{"--json", "", false, false};

void AddLocalCommands(std::vector<CommandSpec>& table);  // wrap, unwrap, token, setting, rtf-*
void AddRemoteCommands(std::vector<CommandSpec>& table); // ls, mkdir, mv, cp, rm, lock, unlock, get, put
void AddTreeCommands(std::vector<CommandSpec>& table);   // export, import
void AddHistoryCommands(std::vector<CommandSpec>& table); // versions, restore, trash, undelete

const std::vector<CommandSpec>& CommandTable();

// Runs one command line (words after the program name).
int Run(const std::vector<std::string>& words, const Environment& env);

} // namespace qb::cli
