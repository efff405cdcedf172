#pragma once
// The key picture of the key dialog: the theme's password icon, else a drawn key.

#include <QIcon>

namespace qb {

QIcon KeyIcon();

} // namespace qb
