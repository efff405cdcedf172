#include "editor/TextFormatting.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>

namespace qb {
namespace {

void Merge(QTextEdit& edit, const QTextCharFormat& format)
{
    edit.mergeCurrentCharFormat(format);
}

Qt::Alignment QtAlignment(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Center: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft;
}

} // namespace

void SetBold(QTextEdit& edit, bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    Merge(edit, format);
}

void SetItalic(QTextEdit& edit, bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    Merge(edit, format);
}

void SetUnderline(QTextEdit& edit, bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    Merge(edit, format);
}

void SetFontName(QTextEdit& edit, const QString& face)
{
    QTextCharFormat format;
    format.setFontFamilies({face});
    Merge(edit, format);
}

void SetFontSize(QTextEdit& edit, int points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    Merge(edit, format);
}

void SetColor(QTextEdit& edit, const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    Merge(edit, format);
}

void SetAlignment(QTextEdit& edit, Alignment alignment)
{
    QTextCursor cursor = edit.textCursor();
    QTextBlockFormat format;
    format.setAlignment(QtAlignment(alignment));
    cursor.mergeBlockFormat(format);
}

void SetBullet(QTextEdit& edit, bool on)
{
    QTextCursor cursor = edit.textCursor();
    cursor.beginEditBlock();
    if (on) {
        // Paragraphs already in a list join the new one, so the selection is one list.
        QTextListFormat bullets;
        bullets.setStyle(QTextListFormat::ListDisc);
        cursor.createList(bullets);
    } else {
        QTextDocument* document = edit.document();
        const QTextBlock last = document->findBlock(cursor.selectionEnd());
        for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
            if (QTextList* list = block.textList()) {
                list->remove(block);
                QTextCursor at(block);
                QTextBlockFormat plain = block.blockFormat();
                plain.setIndent(0);
                at.setBlockFormat(plain);
            }
            if (block == last)
                break;
        }
    }
    cursor.endEditBlock();
}

} // namespace qb
