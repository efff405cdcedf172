#pragma once
// Icons: the desktop theme's when it has them, else our own drawn ones, so that the
// program looks complete everywhere (also headless).

#include <QIcon>

namespace qb {

QIcon FolderIcon();
QIcon FileIconFor(const QString& extension); // by file type rules only
QIcon ToolbarIcon(int commandId);
QIcon ProgramIcon();

} // namespace qb
