#pragma once
// Command ids of the explorer family (menus, toolbar, context menu), with their texts.
// Menus, toolbar and tests reach every action by its id.

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QString>

namespace qb::cmd {

inline constexpr int kNewFolder = 32773;
inline constexpr int kNewFile = 32774;
inline constexpr int kCopy = 32775;
inline constexpr int kBack = 32776;
inline constexpr int kPaste = 32777;
inline constexpr int kForward = 32778;
inline constexpr int kCut = 32779;
inline constexpr int kUp = 32780;
inline constexpr int kDelete = 32781;
inline constexpr int kHome = 32782;
inline constexpr int kOnlineHelp = 32793;
inline constexpr int kOpenExclusive = 32794;
inline constexpr int kOpenLocal = 57601;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kRename = 221;
inline constexpr int kRefresh = 223;
inline constexpr int kPreviousVersions = 32795;
inline constexpr int kTrash = 32796;

// The string table: tooltip of a toolbar command, translated; "" for others.
QString ToolTipText(int id);
// The icon of a toolbar command; a null icon for others.
QIcon ToolbarIcon(int id);
// The keys of a command, the ones users of file managers try first; none for others.
QList<QKeySequence> Shortcuts(int id);

} // namespace qb::cmd
