#pragma once
// What the format bar shows for a selection: effects that hold for every character,
// and the face, size, colour and alignment when the whole selection shares one.

#include <QColor>
#include <QString>

#include <optional>

class QTextCursor;

namespace qb {

enum class Alignment { Left, Center, Right };

struct SelectionFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<QString> face;
    std::optional<double> points;
    std::optional<QColor> color; // text without a colour of its own counts as black
    std::optional<Alignment> alignment; // none when mixed or justified
    bool bullet = false;                // every paragraph of the selection is a list item

    bool operator==(const SelectionFormat&) const = default;
};

// Without a selection this is the typing format at the cursor and its paragraph.
SelectionFormat FormatOfSelection(const QTextCursor& cursor);

} // namespace qb
