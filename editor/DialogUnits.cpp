#include "editor/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

namespace qb {
namespace {

// The average over the letters, rounded, as the classic dialog manager measures it.
int BaseWidth(const QWidget& widget)
{
    const QFontMetrics metrics = widget.fontMetrics();
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (letters / 26 + 1) / 2;
}

} // namespace

int DluWidth(const QWidget& widget, int units)
{
    return (units * BaseWidth(widget) + 2) / 4;
}

int DluHeight(const QWidget& widget, int units)
{
    return (units * widget.fontMetrics().height() + 4) / 8;
}

QSize DluSize(const QWidget& widget, int width, int height)
{
    return {DluWidth(widget, width), DluHeight(widget, height)};
}

} // namespace qb
