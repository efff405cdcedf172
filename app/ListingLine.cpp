#include "ListingLine.h"

#include <climits>

namespace qb {
namespace {

// One "%d" conversion: optional white space, sign, digits; false without digits.
bool ScanInt(std::string_view text, std::size_t& pos, std::int32_t& value)
{
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const std::size_t digits = pos;
    long long magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        if (magnitude <= INT_MAX)
            magnitude = magnitude * 10 + (text[pos] - '0');
    }
    if (pos == digits)
        return false;
    const long long signedValue = negative ? -magnitude : magnitude;
    value = static_cast<std::int32_t>(signedValue < INT_MIN ? INT_MIN : signedValue > INT_MAX ? INT_MAX : signedValue);
    return true;
}

} // namespace

ParsedListingLine ParseListingLine(std::string_view line)
{
    ParsedListingLine parsed;
    ListedEntry entry;
    std::int32_t folder = 0;
    std::size_t pos = 0;
    auto bar = [&] {
        if (pos < line.size() && line[pos] == '|') {
            ++pos;
            return true;
        }
        return false;
    };
    if (!ScanInt(line, pos, folder) || !bar() || !ScanInt(line, pos, entry.size) || !bar()
        || !ScanInt(line, pos, entry.modified)) {
        parsed.error = EntryLineError::BadNumbers;
        return parsed;
    }
    const auto last = line.rfind('|');
    if (last == std::string_view::npos) {
        parsed.error = EntryLineError::NoName;
        return parsed;
    }
    entry.isFolder = folder != 0;
    entry.name = std::string(line.substr(last + 1));
    parsed.entry = std::move(entry);
    return parsed;
}

std::string ChildPath(const std::string& dir, const std::string& name)
{
    return dir + "/" + name;
}

std::optional<std::string> ParentPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt;
    return path.substr(0, slash);
}

std::string LeafName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace qb
