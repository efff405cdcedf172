#include "ListingText.h"

#include <cstdio>
#include <ctime>

namespace qb::cli {

std::string DateOf(std::int64_t seconds)
{
    if (seconds <= 0)
        return "-               ";
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void WriteJsonArray(std::ostream& out, const std::vector<std::string>& objects)
{
    out << "[";
    for (std::size_t i = 0; i < objects.size(); ++i)
        out << (i ? ",\n " : "") << objects[i];
    out << "]\n";
}

} // namespace qb::cli
