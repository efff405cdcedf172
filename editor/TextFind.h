#pragma once
// Finding the next occurrence of a text in a note: letter case ignored, matches inside
// words allowed, from the end of the current selection and round to the start once.

#include <QString>
#include <QTextCursor>

#include <optional>

class QTextDocument;

namespace qb {

// The match after `selection` (from its end), else the first match in the whole text;
// nothing when the text does not occur or is empty. A single occurrence that is already
// selected is found again.
std::optional<QTextCursor> FindNextMatch(const QTextDocument& document, const QTextCursor& selection,
                                         const QString& text);

} // namespace qb
