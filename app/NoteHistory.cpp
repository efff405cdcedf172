#include "NoteHistory.h"

#include "ClientApp.h"
#include "ListingLine.h"
#include "Reply.h"

#include <charconv>

namespace qb {

namespace {

inline constexpr const char* kMalformedReply = "ERROR: The server's reply could not be read.";

std::string Number(std::int64_t n)
{
    return std::to_string(n);
}

// Splits off the numbers before the last field; false when one is not a number.
bool TakeNumbers(std::string_view& line, std::initializer_list<std::int64_t*> numbers)
{
    for (std::int64_t* n : numbers) {
        const auto bar = line.find('|');
        if (bar == std::string_view::npos)
            return false;
        const auto field = line.substr(0, bar);
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), *n);
        if (ec != std::errc() || end != field.data() + field.size() || field.empty())
            return false;
        line.remove_prefix(bar + 1);
    }
    return true;
}

} // namespace

std::string VersionsBody(const std::string& token, const std::string& file)
{
    return "ID=" + token + "&FILE=" + file;
}

std::string OpenVersionBody(const std::string& token, const std::string& file, std::int64_t version)
{
    return "ID=" + token + "&FILE=" + file + "&VERSION=" + Number(version);
}

std::string RestoreBody(const std::string& token, const std::string& file, std::int64_t version,
                        const std::string& lock)
{
    return OpenVersionBody(token, file, version) + "&LOCK=" + lock;
}

std::string TrashBody(const std::string& token)
{
    return "ID=" + token;
}

std::string UndeleteBody(const std::string& token, std::int64_t entry)
{
    return "ID=" + token + "&ENTRY=" + Number(entry);
}

std::string TrashEntry::Name() const
{
    return LeafName(path);
}

std::string TrashEntry::Place() const
{
    return ParentPath(path).value_or(std::string());
}

std::optional<std::vector<NoteVersion>> ParseVersionLines(ReplyReader& lines)
{
    std::vector<NoteVersion> versions;
    for (std::string line; lines.ReadLine(line);) {
        line += '|'; // every number ends at a bar
        std::string_view rest = line;
        NoteVersion v;
        if (!TakeNumbers(rest, {&v.id, &v.size, &v.saved}) || !rest.empty())
            return std::nullopt;
        versions.push_back(v);
    }
    return versions;
}

std::optional<std::vector<TrashEntry>> ParseTrashLines(ReplyReader& lines)
{
    std::vector<TrashEntry> entries;
    for (std::string line; lines.ReadLine(line);) {
        std::string_view rest = line;
        TrashEntry e;
        std::int64_t folder = 0;
        if (!TakeNumbers(rest, {&e.id, &folder, &e.size, &e.deleted}) || (folder != 0 && folder != 1)
            || !rest.starts_with('/'))
            return std::nullopt;
        e.isFolder = folder == 1;
        e.path = std::string(rest);
        entries.push_back(std::move(e));
    }
    return entries;
}

std::optional<ScriptReply> CNoteHistory::Send(const char* script, const std::string& body)
{
    m_error.clear();
    ScriptReply reply = m_app.Post(script, body);
    if (!reply.Ok()) {
        m_error = reply.UserText();
        return std::nullopt;
    }
    return reply;
}

std::optional<std::vector<NoteVersion>> CNoteHistory::Versions(const std::string& file)
{
    auto reply = Send(kScriptVersions, VersionsBody(m_app.MakeSessionToken(), file));
    if (!reply)
        return std::nullopt;
    auto versions = ParseVersionLines(reply->Lines());
    if (!versions)
        m_error = kMalformedReply;
    return versions;
}

std::optional<std::string> CNoteHistory::OpenVersion(const std::string& file, std::int64_t version)
{
    auto reply = Send(kScriptOpenVersion, OpenVersionBody(m_app.MakeSessionToken(), file, version));
    if (!reply)
        return std::nullopt;
    const long long size = ParseOpenStatus(reply->FirstLine()).value_or(0);
    std::string text = reply->ReadBytes(static_cast<std::size_t>(size));
    if (static_cast<long long>(text.size()) != size) {
        m_error = kMalformedReply;
        return std::nullopt;
    }
    return text;
}

bool CNoteHistory::Restore(const std::string& file, std::int64_t version, const std::string& lock)
{
    return Send(kScriptRestore, RestoreBody(m_app.MakeSessionToken(), file, version, lock)).has_value();
}

std::optional<std::vector<TrashEntry>> CNoteHistory::Trash()
{
    auto reply = Send(kScriptTrash, TrashBody(m_app.MakeSessionToken()));
    if (!reply)
        return std::nullopt;
    auto entries = ParseTrashLines(reply->Lines());
    if (!entries)
        m_error = kMalformedReply;
    return entries;
}

std::optional<std::string> CNoteHistory::Undelete(std::int64_t entry)
{
    auto reply = Send(kScriptUndelete, UndeleteBody(m_app.MakeSessionToken(), entry));
    if (!reply)
        return std::nullopt;
    std::string path;
    if (!reply->ReadLine(path) || !path.starts_with('/')) {
        m_error = kMalformedReply;
        return std::nullopt;
    }
    return path;
}

} // namespace qb
