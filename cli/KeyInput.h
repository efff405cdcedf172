#pragma once
// Where the command-line tool gets a key: a file named by --key-file, or the terminal
// without echo. Never the command line, never written anywhere, and read without stdio
// buffers so that no copy is left behind when the key is wiped.

#include "codec/SecureWipe.h"

#include <optional>
#include <string>

namespace qb::cli {

// The first line of the file, without its line end.
std::optional<SecretText> ReadKeyFile(const std::string& path, std::string& error);
// Asks on /dev/tty with echo off; nothing when there is no terminal.
std::optional<SecretText> AskKey(const std::string& prompt, std::string& error);

} // namespace qb::cli
