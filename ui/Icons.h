#pragma once
// Icons: the desktop theme's when it has them, else our own drawn ones, so that the
// program looks complete everywhere (also headless).

#include <QIcon>

#include <functional>

class QPainter;

namespace qb {

QIcon FolderIcon();
QIcon FileIconFor(const QString& extension); // by file type rules only
QIcon ProgramIcon();

// Toolbar icons more than one window shows, each with a drawn fallback.
enum class SharedIcon { NewNote, NewFolder, Back, Forward, Up, Home };
QIcon IconFor(SharedIcon which);

// A window's own toolbar icon: the theme's by its freedesktop name, else what draw paints
// on a transparent 16 x 16 canvas.
using IconPainter = std::function<void(QPainter&)>;
QIcon ThemeOrDrawnIcon(const QString& themeName, const IconPainter& draw);

} // namespace qb
