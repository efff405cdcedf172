#include "LogLine.h"

#include <cstdio>
#include <mutex>

namespace qb::server {
namespace {

void AppendHex(std::string& out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of text, or 0.
std::size_t Utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    if (code >= 0x80 && code <= 0x9F)
        return 0; // C1 controls: escaped like the C0 ones
    return length;
}

} // namespace

std::string EscapeLogField(std::string_view text, bool escapeSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8Length(text.substr(i));
            if (length == 0) {
                AppendHex(out, c);
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        ++i;
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F || (escapeSpace && c == ' '))
            AppendHex(out, c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string FormatLogLine(std::time_t now, const LogFields& fields)
{
    char stamp[32];
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.1fms", fields.ms);
    std::string line = stamp;
    line += ' ';
    line += EscapeLogField(fields.what, true);
    line += " account=";
    line += fields.account.empty() ? "-" : EscapeLogField(fields.account, true);
    line += ' ';
    line += EscapeLogField(fields.result);
    line += ' ';
    line += ms;
    if (!fields.failure.empty()) {
        line += " storage: ";
        line += EscapeLogField(fields.failure);
    }
    line += '\n';
    return line;
}

void WriteLogLine(const std::string& line)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace qb::server
