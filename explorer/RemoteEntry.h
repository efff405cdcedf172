#pragma once
// One listed entry, the listing line it comes from, its column texts and its sort order.

#include "app/ListingLine.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qb {

struct RemoteEntry {
    bool isFolder = false;
    QString name;
    std::int32_t size = 0;     // bytes; not shown for folders
    std::int32_t modified = 0; // seconds since 1970 UTC; 0 or less shows no time
    QString foldedName;        // the name case-folded once, so sorting compares plainly
};

// "isFolder|size|modified|name": three "%d" numbers, the name after the last "|".
struct ParsedEntryLine {
    std::optional<RemoteEntry> entry;
    EntryLineError error = EntryLineError::BadNumbers;
};
ParsedEntryLine ParseEntryLine(std::string_view line);

enum SortColumn { kColumnName = 0, kColumnSize = 1, kColumnDate = 2 };

QString SizeText(const RemoteEntry& entry);  // "%d KB" of (size + 999) / 1000; "" for folders
QString DateText(const RemoteEntry& entry);  // local "%m/%d/%Y %I:%M %p"; "" when not after 1970
// From the last "." to the end, when that "." is not the name's first character.
QString ExtensionOf(const QString& name);

// Negative when a goes before b. Folders come before files in the name and size columns
// in both directions; dates mix them.
int CompareEntries(const RemoteEntry& a, const RemoteEntry& b, int column, bool ascending);

} // namespace qb
