#pragma once
// The control words the reader knows, in one sorted table: what each word is (a destination,
// a character or paragraph format, a special character, a word of one table) and the value
// it carries, so that the reader looks a word up once and hands it to one handler.

#include <cstdint>
#include <string_view>

namespace qb::rtf {

// Where a word is handled. Body words (Document to Special) act in the document text; the
// others only inside their own destination.
enum class WordClass : std::uint8_t {
    Destination,        // starts a destination the reader reads
    SkippedDestination, // starts a destination whose content is never text of the document
    Document,
    Character,
    Associated, // \ab, \af, ...; and \loch, \hich, \dbch, \rtlch, \ltrch that choose between them
    Paragraph,
    Table,
    Special, // paragraph ends and characters
    FontTable,
    ColorTable,
    Picture,
    Numbering, // {\*\pn ...}
    ListTable, // \listtable and \listoverridetable
};

enum class Word : std::uint8_t {
    // Destinations.
    FontTable, ColorTable, Pict, ShapePict, Object, Result, Field, FieldInst, FieldResult, Pn, ListTable,
    ListOverrideTable, Skipped,
    // Document.
    CodePage,    // value: the code page (\ansi, \mac, \pc, \pca)
    AnsiCodePage, DefaultFont, UnicodeSkip, Unicode,
    // Character.
    Bold, Italic, Underline, UnderlineNone, Strike, Font, FontSize, Foreground, Background,
    VerticalAlign, // value: 1 super, -1 sub, 0 neither
    Plain,
    // Associated (the same formats, applied to \dbch and \rtlch text).
    AssocBold, AssocItalic, AssocUnderline, AssocUnderlineNone, AssocStrike, AssocFont, AssocFontSize,
    AssocForeground,
    Script,    // value: 1 for \dbch, 0 for \loch and \hich
    Direction, // value: 1 for \rtlch, 0 for \ltrch
    // Paragraph.
    ParagraphDefault, Align, LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, ListOverride,
    ListLevel,
    // Table.
    InTable, Cell, Row,
    // Special.
    ParagraphEnd,
    Symbol, // value: the character
    // Font table.
    FontCharset, FontCodePage,
    FontFamily, // value: a QFont::StyleHint
    // Colour table.
    Red, Green, Blue,
    // Picture.
    PictureKind, // value: a PictureKind
    PictureWidth, PictureHeight, PictureGoalWidth, PictureGoalHeight, PictureScaleX, PictureScaleY,
    // Numbering.
    PnBullet, PnBody, PnLevel,
    PnKind, // value: a ListKind
    // List tables.
    List, ListId, LevelNumberFormat,
};

struct Keyword {
    std::string_view name;
    WordClass wordClass;
    Word word;
    int value = 0;
};

// The entry of a control word, or nullptr for a word the reader does not know.
const Keyword* FindKeyword(std::string_view name);

} // namespace qb::rtf
