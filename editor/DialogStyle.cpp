#include "editor/DialogStyle.h"

#include <QColor>
#include <QFontDatabase>
#include <QPalette>
#include <QWidget>

namespace qb {

void SetTextColour(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::Text, colour);
    }
    widget.setPalette(palette);
}

QFont FontOrFallback(const QString& family, int pointSize, QFont::Weight weight, const QFont& fallback)
{
    QFont font = QFontDatabase::hasFamily(family) ? QFont(family) : fallback;
    font.setPointSize(pointSize);
    font.setWeight(weight);
    return font;
}

} // namespace qb
