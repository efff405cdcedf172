#pragma once
// Sizes given in dialog units, the font-relative measure of fixed dialog layouts: a
// horizontal unit is a quarter of the font's average letter width, a vertical unit an
// eighth of its height. Layouts keep the order and grouping; these keep the proportions
// whatever font the desktop uses.

#include <QSize>

class QWidget;

namespace qb {

int DluWidth(const QWidget& widget, int units);
int DluHeight(const QWidget& widget, int units);
QSize DluSize(const QWidget& widget, int width, int height);

} // namespace qb
