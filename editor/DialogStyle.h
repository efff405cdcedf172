#pragma once
// Text colours and fonts of the dialogs' coloured lines.

#include <QFont>

class QColor;
class QWidget;

namespace qb {

// The text colour of a label or an edit while it is enabled; disabled text stays grey, as
// the style draws it.
void SetTextColour(QWidget& widget, const QColor& colour);

// family at pointSize when the system has it, else fallback's family at that size; weight
// applies either way.
QFont FontOrFallback(const QString& family, int pointSize, QFont::Weight weight, const QFont& fallback);

} // namespace qb
