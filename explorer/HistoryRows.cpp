#include "HistoryRows.h"

#include "RemoteEntry.h"

#include <algorithm>
#include <limits>

namespace qb {
namespace {

std::int32_t Clamp(std::int64_t n)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, 0, std::numeric_limits<std::int32_t>::max()));
}

RemoteEntry Entry(bool isFolder, std::int64_t size, std::int64_t time)
{
    RemoteEntry entry;
    entry.isFolder = isFolder;
    entry.size = Clamp(size);
    entry.modified = Clamp(time);
    return entry;
}

} // namespace

QStringList VersionRow(const NoteVersion& version)
{
    const RemoteEntry entry = Entry(false, version.size, version.saved);
    return {DateText(entry), SizeText(entry)};
}

QStringList TrashRow(const TrashEntry& entry)
{
    const RemoteEntry shown = Entry(entry.isFolder, entry.size, entry.deleted);
    const std::string place = entry.Place();
    return {QString::fromStdString(entry.Name()), QString::fromStdString(place.empty() ? "/" : place),
            DateText(shown), SizeText(shown)};
}

} // namespace qb
