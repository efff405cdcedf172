#include "Names.h"

#include <algorithm>

namespace qb::server {

std::string NameProblem(std::string_view name)
{
    return names::DescribeName(names::CheckName(name));
}

std::optional<std::vector<std::string>> SplitPath(std::string_view path)
{
    if (path.size() > kMaxPathBytes)
        return std::nullopt;
    const auto segments = names::PathSegments(path);
    if (!segments)
        return std::nullopt;
    return std::vector<std::string>(segments->begin(), segments->end());
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
