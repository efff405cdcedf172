#include "editor/SelectionFormat.h"

#include <QFontInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <vector>

namespace qb {
namespace {

std::vector<QTextCharFormat> CharFormats(const QTextCursor& cursor)
{
    std::vector<QTextCharFormat> formats;
    if (cursor.hasSelection()) {
        const int start = cursor.selectionStart(), end = cursor.selectionEnd();
        for (QTextBlock block = cursor.document()->findBlock(start); block.isValid() && block.position() < end;
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.position() < end && fragment.position() + fragment.length() > start)
                    formats.push_back(fragment.charFormat());
            }
        }
    }
    // A selection of empty paragraphs has no characters: it shows the format at the cursor.
    if (formats.empty())
        formats.push_back(cursor.charFormat());
    return formats;
}

std::vector<QTextBlock> Blocks(const QTextCursor& cursor)
{
    std::vector<QTextBlock> blocks;
    const QTextDocument* document = cursor.document();
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        blocks.push_back(block);
        if (block == last)
            break;
    }
    return blocks;
}

std::optional<Alignment> AlignmentOf(const QTextBlock& block)
{
    const Qt::Alignment horizontal = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter)
        return Alignment::Center;
    if (horizontal & (Qt::AlignRight | Qt::AlignTrailing))
        return Alignment::Right;
    if (horizontal & Qt::AlignJustify)
        return std::nullopt;
    return Alignment::Left;
}

// The value when every item gives the same one.
template <typename T, typename Items, typename Get>
std::optional<T> Common(const Items& items, Get get)
{
    std::optional<T> common;
    for (const auto& item : items) {
        const std::optional<T> value = get(item);
        if (!value || (common && *common != *value))
            return std::nullopt;
        common = value;
    }
    return common;
}

} // namespace

SelectionFormat FormatOfSelection(const QTextCursor& cursor)
{
    SelectionFormat result;
    if (cursor.isNull())
        return result;
    const QFont defaultFont = cursor.document()->defaultFont();
    // Text without a face of its own shows the face it is drawn in, not an alias such as "Sans Serif".
    const QString defaultFace = QFontInfo(defaultFont).family();
    const std::vector<QTextCharFormat> formats = CharFormats(cursor);
    const auto all = [&](auto test) {
        for (const QTextCharFormat& format : formats) {
            if (!test(format))
                return false;
        }
        return true;
    };
    result.bold = all([](const QTextCharFormat& f) { return f.fontWeight() > QFont::Normal; });
    result.italic = all([](const QTextCharFormat& f) { return f.fontItalic(); });
    result.underline = all([](const QTextCharFormat& f) { return f.fontUnderline(); });
    result.face = Common<QString>(formats, [&](const QTextCharFormat& f) -> std::optional<QString> {
        const QStringList families = f.fontFamilies().toStringList();
        return families.isEmpty() ? defaultFace : families.front();
    });
    result.points = Common<double>(formats, [&](const QTextCharFormat& f) -> std::optional<double> {
        return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaultFont.pointSizeF();
    });
    result.color = Common<QColor>(formats, [](const QTextCharFormat& f) -> std::optional<QColor> {
        const QBrush brush = f.foreground();
        return brush.style() == Qt::NoBrush ? QColor(Qt::black) : brush.color();
    });

    const std::vector<QTextBlock> blocks = Blocks(cursor);
    result.alignment = Common<Alignment>(blocks, AlignmentOf);
    result.bullet = !blocks.empty();
    for (const QTextBlock& block : blocks)
        result.bullet = result.bullet && block.textList() != nullptr;
    return result;
}

} // namespace qb
