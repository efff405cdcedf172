#include "Names.h"

#include <algorithm>

namespace qb::server {

std::string NameProblem(std::string_view name)
{
    if (name.empty())
        return "A name cannot be empty.";
    if (name == "." || name == "..")
        return "The names \".\" and \"..\" are reserved.";
    if (name.size() > kMaxNameBytes)
        return "The name is too long (at most 255 bytes).";
    for (const char c : name) {
        if (c == '/' || c == '|' || c == '\r' || c == '\n' || c == '\0')
            return "A name cannot contain \"/\", \"|\", line breaks or NUL characters.";
    }
    return {};
}

std::optional<std::vector<std::string>> SplitPath(std::string_view path)
{
    std::vector<std::string> segments;
    if (path.size() > kMaxPathBytes)
        return std::nullopt;
    if (path.empty())
        return segments;
    if (path.front() != '/')
        return std::nullopt;
    std::size_t start = 1;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
        if (!NameProblem(segment).empty())
            return std::nullopt;
        segments.emplace_back(segment);
        if (slash == std::string_view::npos)
            return segments;
        start = slash + 1;
    }
}

std::string NameKey(std::string_view name)
{
    std::string key(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::optional<std::vector<std::string>> SplitNameList(std::string_view list)
{
    std::vector<std::string> names;
    if (list.empty() || list.back() != '\n' || TooManyNames(list))
        return std::nullopt;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find('\n', start);
        names.emplace_back(list.substr(start, end - start));
        if (names.back().empty())
            return std::nullopt;
        start = end + 1;
    }
    return names;
}

bool TooManyNames(std::string_view list)
{
    return static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n')) > kMaxListNames;
}

} // namespace qb::server
