#pragma once
// The format bar's pictures: the desktop theme's when it has them, else drawn here on
// the pixel grid so that they stay sharp at 16 x 16.

#include <QIcon>

namespace qb {

enum class FormatIcon {
    Save, Print, Cut, Copy, Paste, Bold, Italic, Underline, AlignLeft, AlignCenter, AlignRight, Bullet
};

QIcon IconFor(FormatIcon which);

} // namespace qb
