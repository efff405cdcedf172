#pragma once
// The reader's state of one group: its destination, character and paragraph formats. A
// copy is pushed on "{" and dropped on "}".

#include <QFont>
#include <QString>

#include <optional>

namespace qb::rtf {

enum class Dest {
    Normal,
    Skip,
    FontTable,
    ColorTable,
    Pict,
    FieldInst,
    Object,        // only its \result is shown
    ObjectPending, // a group inside an object: shown only when it is the \result
    Pn,            // old-style numbering of the paragraph
    ListTable,
    ListOverrideTable,
};

enum class ListKind { None, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

// The associated formats (\ab, \af, ...) a group set; unset ones follow the plain formats.
struct AssociatedState {
    std::optional<bool> bold, italic, underline, strike;
    std::optional<int> font, halfPoints, fg;
    bool operator==(const AssociatedState&) const = default;
};

struct CharState {
    bool bold = false, italic = false, underline = false, strike = false;
    int font = -1; // -1: the default font
    int halfPoints = 24;
    int fg = 0, bg = 0; // colour table indexes; 0 is "auto"
    int valign = 0;     // 1 super, -1 sub
    int field = -1;     // index of the field whose result this text is
    AssociatedState associated;
    bool doubleByte = false; // \dbch, until \loch or \hich
    bool rtl = false;        // \rtlch, until \ltrch
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    ListKind list = ListKind::None;
    int listLevel = 0;
    int ls = 0; // \ls override number, resolved through the list tables
    bool inTable = false;
};

struct Group {
    Dest dest = Dest::Normal;
    CharState chr;
    ParaState para;
    int uc = 1;
    bool starred = false;   // the group began with \*
    bool first = true;      // no control word seen yet in this group
    bool listGroup = false; // a \list of the list table: its levels are kept at its end
    int picture = -1;       // the \pict being collected
};

struct FontInfo {
    QString name; // empty for an entry without a name: only its family class is known
    int codePage = 0;
    QFont::StyleHint family = QFont::AnyStyle; // \froman, \fswiss, \fmodern, ...
};

} // namespace qb::rtf
