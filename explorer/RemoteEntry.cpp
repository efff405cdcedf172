#include "RemoteEntry.h"

#include <QCoreApplication>

#include <ctime>

namespace qb {
ParsedEntryLine ParseEntryLine(std::string_view line)
{
    ParsedEntryLine parsed;
    ParsedListingLine listed = ParseListingLine(line);
    parsed.error = listed.error;
    if (!listed.entry)
        return parsed;
    RemoteEntry entry;
    entry.isFolder = listed.entry->isFolder;
    entry.size = listed.entry->size;
    entry.modified = listed.entry->modified;
    entry.name = QString::fromStdString(listed.entry->name);
    entry.foldedName = entry.name.toCaseFolded();
    parsed.entry = std::move(entry);
    return parsed;
}

QString SizeText(const RemoteEntry& entry)
{
    if (entry.isFolder)
        return {};
    const long long kb = (static_cast<long long>(entry.size) + 999) / 1000;
    return QCoreApplication::translate("RemoteEntry", "%1 KB").arg(kb);
}

QString DateText(const RemoteEntry& entry)
{
    if (entry.modified <= 0)
        return {};
    const std::time_t when = entry.modified;
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    std::strftime(text, sizeof text, "%m/%d/%Y %I:%M %p", &local);
    return QString::fromLatin1(text);
}

QString ExtensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot) : QString();
}

int CompareEntries(const RemoteEntry& a, const RemoteEntry& b, int column, bool ascending)
{
    const int sign = ascending ? 1 : -1;
    if (column == kColumnDate) {
        const int order = a.modified < b.modified ? -1 : a.modified > b.modified ? 1 : 0;
        return sign * order;
    }
    if (a.isFolder != b.isFolder)
        return a.isFolder ? -1 : 1; // not negated: folders stay first
    if (column == kColumnSize && !a.isFolder) {
        const long long order = static_cast<long long>(a.size) - b.size;
        return sign * (order < 0 ? -1 : order > 0 ? 1 : 0);
    }
    if (!a.foldedName.isEmpty() && !b.foldedName.isEmpty())
        return sign * a.foldedName.compare(b.foldedName);
    return sign * a.name.compare(b.name, Qt::CaseInsensitive);
}

} // namespace qb
