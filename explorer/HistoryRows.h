#pragma once
// What the versions and trash dialogs show of a row: the list's own size and date texts.

#include "app/NoteHistory.h"

#include <QStringList>

namespace qb {

// Saved, Size.
QStringList VersionRow(const NoteVersion& version);
// Name, Where it was ("/" for the top folder), Deleted, Size ("" for a folder).
QStringList TrashRow(const TrashEntry& entry);

} // namespace qb
