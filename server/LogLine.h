#pragma once
// The server's request log: one line per request, every field escaped so that no value
// (an account name, a path, a storage error) can end a line, forge another or drive the
// terminal showing the log.

#include <ctime>
#include <string>
#include <string_view>

namespace qb::server {

// Backslash as "\\", LF, CR and TAB as "\n", "\r", "\t", other control characters (C0,
// DEL, C1) and bytes that are not UTF-8 as "\xHH"; with escapeSpace, spaces as "\x20" too,
// for fields that must stay one word.
std::string EscapeLogField(std::string_view text, bool escapeSpace = false);

struct LogFields {
    std::string_view what;    // the script name, or the path
    std::string_view account; // empty when unknown
    std::string_view result;  // "OK" or the first line of the refusal
    double ms = 0;
    std::string_view failure; // a storage error, if any
};

// "2026-12-10T15:40:27Z qbsave.pl account=kiwi OK 1.2ms" and its LF; " storage: ..." is
// added when there was a storage failure.
std::string FormatLogLine(std::time_t now, const LogFields& fields);

// Writes one whole line to standard error; lines of concurrent requests never interleave.
void WriteLogLine(const std::string& line);

} // namespace qb::server
