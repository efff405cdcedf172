#include "editor/TextFind.h"

#include <QTextDocument>

namespace qb {

std::optional<QTextCursor> FindNextMatch(const QTextDocument& document, const QTextCursor& selection,
                                         const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    // No flags: forward, any letter case, inside words too.
    QTextCursor match = document.find(text, selection.selectionEnd());
    if (match.isNull())
        match = document.find(text, 0);
    if (match.isNull())
        return std::nullopt;
    return match;
}

} // namespace qb
