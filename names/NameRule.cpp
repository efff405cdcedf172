#include "NameRule.h"

namespace qb::names {

NameCheck CheckName(std::string_view name)
{
    if (name.empty())
        return {NameFault::Empty, {}};
    if (name == "." || name == "..")
        return {NameFault::Reserved, {}};
    if (name.size() > kMaxNameBytes)
        return {NameFault::TooLong, {}};
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return {NameFault::ControlCharacter, {}};
    }
    // The first forbidden text in the name is the one the user is told about.
    NameCheck check;
    std::size_t first = std::string_view::npos;
    const auto consider = [&](std::string_view text) {
        const std::size_t at = name.find(text);
        if (at < first) {
            first = at;
            check = {NameFault::Forbidden, text};
        }
    };
    consider("/");
    consider("|");
    for (const std::string_view marker : kFieldMarkers)
        consider(marker);
    return check;
}

const char* NameRuleSentence(NameFault fault)
{
    switch (fault) {
    case NameFault::None: return "";
    case NameFault::Empty: return "A name cannot be empty.";
    case NameFault::Reserved: return "A name cannot be \".\" or \"..\".";
    case NameFault::TooLong: return "A name cannot be longer than 255 bytes.";
    case NameFault::ControlCharacter: return "A name cannot contain control characters such as tab.";
    case NameFault::Forbidden: return "A name cannot contain \"%1\".";
    }
    return "";
}

std::string DescribeName(const NameCheck& check)
{
    std::string sentence = NameRuleSentence(check.fault);
    if (const std::size_t at = sentence.find("%1"); at != std::string::npos)
        sentence.replace(at, 2, check.found);
    return sentence;
}

std::optional<std::vector<std::string_view>> PathSegments(std::string_view path)
{
    std::vector<std::string_view> segments;
    if (path.empty())
        return segments;
    if (path.front() != '/')
        return std::nullopt;
    std::size_t start = 1;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
        if (segment.empty() || segment == "." || segment == "..")
            return std::nullopt;
        segments.push_back(segment);
        if (slash == std::string_view::npos)
            return segments;
        start = slash + 1;
    }
}

} // namespace qb::names
