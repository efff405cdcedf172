#include "TreeRules.h"

#include "Names.h"

#include "codec/Base64.h"

namespace qb::server {

std::string Refuse(const std::string& sentence, const std::string& detail)
{
    return "ERROR: " + sentence + "\n" + (detail.empty() ? "" : detail + "\n");
}

bool IsTransportText(std::string_view data)
{
    for (const char c : data) {
        if (kBase64Alphabet.find(c) == std::string_view::npos && c != '=' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}


std::string FreeCopyName(IStoreTransaction& tx, NodeId folder, const std::string& name)
{
    if (!tx.Child(folder, NameKey(name)))
        return name;
    for (int n = 1;; ++n) {
        const std::string candidate = n == 1 ? "Copy of " + name : "Copy (" + std::to_string(n) + ") of " + name;
        if (!tx.Child(folder, NameKey(candidate)))
            return candidate;
    }
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    return dir + "/" + name;
}

std::optional<NotePath> SplitNotePath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || !SplitPath(path))
        return std::nullopt;
    return NotePath{path.substr(0, slash), path.substr(slash + 1)};
}


} // namespace qb::server
