#include "RemoteOps.h"

#include "app/AsciiCase.h"
#include "codec/Note.h"
#include "note/NoteSaver.h"

#include <cctype>

namespace qb::cli {

std::string RemotePathOf(const std::string& typed)
{
    std::string path = typed;
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    if (!path.empty() && path.front() != '/')
        path.insert(path.begin(), '/');
    return path;
}

std::string Shown(const std::string& path)
{
    return path.empty() ? "/" : path;
}

std::string OneLine(const RemoteFailure& failure)
{
    return OneLine(failure.text);
}

std::string OneLine(const std::string& text)
{
    std::string line;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(start, end - start);
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back())))
            part.pop_back();
        if (!part.empty())
            line += (line.empty() ? "" : " ") + part;
        start = end + 1;
    }
    return line;
}

std::optional<ListedEntry> FindEntry(CRemoteTree& tree, const std::string& path, std::string& error)
{
    error.clear();
    const auto parent = ParentPath(path);
    if (!parent) { // Home
        return ListedEntry{true, 0, 0, ""};
    }
    const auto listing = tree.List(*parent);
    if (!listing) {
        if (!listing.error().refused)
            error = OneLine(listing.error());
        return std::nullopt;
    }
    const std::string name = LeafName(path);
    const ListedEntry* similar = nullptr;
    for (const ListedEntry& entry : *listing) {
        if (entry.name == name)
            return entry;
        if (EqualsNoCase(entry.name, name))
            similar = &entry;
    }
    if (similar)
        return *similar;
    return std::nullopt;
}

RemoteResult<void> MakeFolder(CRemoteTree& tree, const std::string& path, bool parents)
{
    if (path.empty())
        return {};
    std::string error;
    if (const auto existing = FindEntry(tree, path, error)) {
        if (existing->isFolder && parents)
            return {};
        return Fail(RemoteFailure{Shown(path) + " already exists", false});
    }
    if (!error.empty())
        return Fail(RemoteFailure{error, false});
    const std::string parent = *ParentPath(path);
    if (parents) {
        if (auto made = MakeFolder(tree, parent, true); !made)
            return made;
    }
    const auto created = tree.NewFolder(parent);
    if (!created)
        return Fail(created.error());
    const std::string name = LeafName(path);
    if (created->name == name)
        return {};
    if (auto renamed = tree.Rename(parent, created->name, name); !renamed) {
        // No half-made folder under the server's name is left behind.
        (void)tree.Delete(parent, {created->name});
        return renamed;
    }
    return {};
}

Result<std::string, std::string> SealLocal(LocalKind kind, std::string_view bytes, const std::string& keyName,
                                           std::string_view key, const std::string& account)
{
    std::string document;
    if (kind == LocalKind::Text)
        document = TextToRtf(bytes);
    else if (LooksLikeRtf(bytes))
        document = std::string(bytes);
    else
        return Fail(std::string("this is not an RTF file"));
    auto text = WrapNote(AsBytes(document), key, keyName);
    SecureWipe(document.data(), document.size());
    if (!text)
        return Fail(std::string(Describe(text.error())));
    return WithinAccountLimit(std::move(*text), account);
}

Result<std::string, std::string> WithinAccountLimit(std::string text, const std::string& account)
{
    if (ExceedsAccountLimit(account, text.size()))
        return Fail("the note text is " + std::to_string(text.size()) + " characters; the shared account stores at most "
                    + std::to_string(kSharedAccountNoteLimit));
    return text;
}

} // namespace qb::cli
