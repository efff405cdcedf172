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


namespace {

constexpr std::string_view kCopyPrefix = "copy ";

// A number as the server writes it in a name: digits, no sign, no leading zero; else 0.
std::int64_t NameNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 9 || digits.front() == '0')
        return 0;
    std::int64_t n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The smallest number from 1 up that is not in taken (ordered).
std::int64_t SmallestFree(const std::set<std::int64_t>& taken)
{
    std::int64_t n = 1;
    for (const std::int64_t t : taken) {
        if (t > n)
            break;
        if (t == n)
            ++n;
    }
    return n;
}

// The copy number a key stands for with the given base key: "copy of x" is 1,
// "copy (n) of x" is n (as the server writes it: no sign, no leading zero); else 0.
std::int64_t CopyNumber(std::string_view key, std::string_view base)
{
    static constexpr std::string_view kFirst = "copy of ";
    if (key.size() == kFirst.size() + base.size() && key.starts_with(kFirst) && key.ends_with(base))
        return 1;
    static constexpr std::string_view kOpen = "copy (";
    static constexpr std::string_view kClose = ") of ";
    if (!key.starts_with(kOpen) || !key.ends_with(base) || key.size() < kOpen.size() + kClose.size() + base.size())
        return 0;
    const std::string_view middle = key.substr(kOpen.size(), key.size() - kOpen.size() - base.size());
    if (!middle.ends_with(kClose))
        return 0;
    return NameNumber(middle.substr(0, middle.size() - kClose.size()));
}

std::string CopyName(std::int64_t n, const std::string& name)
{
    return n == 1 ? "Copy of " + name : "Copy (" + std::to_string(n) + ") of " + name;
}

} // namespace

CopyNamer::CopyNamer(IStoreTransaction& tx, NodeId folder) : m_tx(tx), m_folder(folder)
{
    for (const auto& key : tx.ChildKeysWithPrefix(folder, std::string(kCopyPrefix)))
        Record(key);
}

void CopyNamer::Record(const std::string& key)
{
    // "copy of x" and "copy (n) of x": the base key is what follows the first " of ".
    const auto of = key.find(" of ");
    if (!key.starts_with(kCopyPrefix) || of == std::string::npos)
        return;
    const std::string_view base = std::string_view(key).substr(of + 4);
    if (const std::int64_t n = CopyNumber(key, base))
        m_taken[std::string(base)].insert(n);
}

std::string CopyNamer::Next(const std::string& name)
{
    const std::string key = NameKey(name);
    if (!m_tx.Child(m_folder, key)) {
        Record(key); // a copy keeping a name such as "Copy of y" takes that number of y
        return name;
    }
    auto& taken = m_taken[key];
    const std::int64_t n = SmallestFree(taken);
    taken.insert(n);
    return CopyName(n, name);
}

std::string NewFolderName(IStoreTransaction& tx, NodeId folder)
{
    // "New Folder" stands for 1; "New Folder (n)" counts from 2.
    static constexpr std::string_view kBase = "new folder";
    std::set<std::int64_t> taken;
    for (const auto& key : tx.ChildKeysWithPrefix(folder, std::string(kBase))) {
        const std::string_view rest = std::string_view(key).substr(kBase.size());
        if (rest.empty())
            taken.insert(1);
        else if (const std::int64_t n = rest.starts_with(" (") && rest.ends_with(")")
                                            ? NameNumber(rest.substr(2, rest.size() - 3))
                                            : 0;
                 n >= 2)
            taken.insert(n);
    }
    const std::int64_t n = SmallestFree(taken);
    return n == 1 ? "New Folder" : "New Folder (" + std::to_string(n) + ")";
}

void Tree::CopyInto(const Node& source, NodeId target, const std::string& name)
{
    const NodeId top = tx.CopyNode(source.id, target, name, NameKey(name));
    if (!source.isFolder)
        return;
    std::vector<std::pair<NodeId, NodeId>> folders{{source.id, top}}; // (original, copy) still to fill
    while (!folders.empty()) {
        const auto [from, to] = folders.back();
        folders.pop_back();
        for (const auto& child : tx.Children(from)) {
            const NodeId id = tx.CopyNode(child.id, to, child.name, NameKey(child.name));
            if (child.isFolder)
                folders.emplace_back(child.id, id);
        }
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
