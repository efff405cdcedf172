#pragma once
// Command ids of the editor's format bar, with their tooltips and icons. The bar, the
// editor and tests reach every action by its id.

#include <QIcon>
#include <QString>

namespace qb::fmt {

inline constexpr int kSave = 57603;
inline constexpr int kPrint = 57607;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kBold = 32786;
inline constexpr int kItalic = 32787;
inline constexpr int kUnderline = 32788;
inline constexpr int kAlignLeft = 32789;
inline constexpr int kAlignCenter = 32790;
inline constexpr int kAlignRight = 32791;
inline constexpr int kBullet = 32792;
inline constexpr int kFontName = 50001;
inline constexpr int kFontSize = 50002;
inline constexpr int kColor = 50003;

// Whether the command is an on/off button.
bool IsCheckable(int id);
// The tooltip of a bar command, translated; "" for others.
QString ToolTipText(int id);
// The bar icon of a command: the theme's, else drawn; a null icon for others.
QIcon ToolbarIcon(int id);

} // namespace qb::fmt
