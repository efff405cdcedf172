#pragma once
// The formatting commands: each applies one character or paragraph format to the
// selection of a text edit, or to its typing format when nothing is selected.

#include "editor/SelectionFormat.h"

#include <QColor>
#include <QString>

class QTextEdit;

namespace qb {

void SetBold(QTextEdit& edit, bool on);
void SetItalic(QTextEdit& edit, bool on);
void SetUnderline(QTextEdit& edit, bool on);
void SetFontName(QTextEdit& edit, const QString& face);
void SetFontSize(QTextEdit& edit, int points);
void SetColor(QTextEdit& edit, const QColor& color);
// These take every paragraph the selection touches.
void SetAlignment(QTextEdit& edit, Alignment alignment);
void SetBullet(QTextEdit& edit, bool on);

} // namespace qb
