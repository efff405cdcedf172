#include "RtfDocumentBuilder.h"

#include "RtfPicture.h"
#include "RtfReader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

namespace qb::rtf {

DocumentBuilder::DocumentBuilder(QTextDocument& document) : m_doc(document), m_cursor(&document) {}

void DocumentBuilder::Begin()
{
    m_doc.clear();
    m_cursor = QTextCursor(&m_doc);
    m_cursor.beginEditBlock();
}

void DocumentBuilder::End()
{
    m_cursor.endEditBlock();
}

void DocumentBuilder::InsertText(const QString& text, const QTextCharFormat& format, bool inTable)
{
    EnterOrLeaveTable(inTable);
    m_cursor.insertText(text, format);
}

void DocumentBuilder::InsertPicture(const PictureResource& picture, bool inTable)
{
    const QString name = QStringLiteral("rtfimage:%1").arg(++m_imageCount);
    m_doc.addResource(QTextDocument::ImageResource, QUrl(name), picture.resource);
    QTextImageFormat image;
    image.setName(name);
    image.setWidth(picture.size.width());
    image.setHeight(picture.size.height());
    EnterOrLeaveTable(inTable);
    m_cursor.insertImage(image);
}

void DocumentBuilder::ApplyParagraph(const ParagraphFormat& format)
{
    m_cursor.setBlockFormat(format.block);
    // A paragraph's own character format shows only as its bullet or as the height of an
    // empty line; setting it on every paragraph costs a tenth of the reading time.
    if (format.list || m_cursor.block().length() == 1)
        m_cursor.setBlockCharFormat(format.mark);
    if (!format.list)
        return;
    const QTextBlock previous = m_cursor.block().previous();
    if (QTextList* prior = previous.isValid() ? previous.textList() : nullptr;
        prior && prior->format().style() == format.list->style() && prior->format().indent() == format.list->indent()) {
        prior->add(m_cursor.block());
    } else {
        m_cursor.createList(*format.list);
    }
}

void DocumentBuilder::EndParagraph(const ParagraphFormat& format, bool inTable)
{
    EnterOrLeaveTable(inTable);
    ApplyParagraph(format);
    // An explicit, empty character format: without it the new paragraph would take the
    // format of the run before it. Its block format is the one before it until it ends.
    m_cursor.insertBlock(m_cursor.blockFormat(), QTextCharFormat());
}

void DocumentBuilder::EndCell(const ParagraphFormat& format)
{
    EnsureCell();
    ApplyParagraph(format);
    ++m_col;
}

void DocumentBuilder::EndRow()
{
    if (!m_table)
        return;
    m_rowPending = true;
    m_col = 0;
}

void DocumentBuilder::EnterOrLeaveTable(bool inTable)
{
    if (inTable)
        EnsureCell();
    else
        LeaveTable();
}

void DocumentBuilder::LeaveTable()
{
    if (!m_table)
        return;
    m_cursor = m_table->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    m_table = nullptr;
    m_cellRow = m_cellCol = -1;
}

void DocumentBuilder::EnsureCell()
{
    if (!m_table) {
        QTextTableFormat format;
        format.setBorder(1);
        format.setCellPadding(2);
        format.setCellSpacing(0);
        m_table = m_cursor.insertTable(1, 1, format);
        // RTF ends the paragraph before a table with \par; the table needs no empty
        // paragraph of its own in front of it.
        QTextCursor before(&m_doc);
        before.setPosition(m_table->firstPosition() - 1);
        if (before.block().length() == 1 && before.block().previous().isValid()) {
            before.setPosition(before.block().position());
            before.deletePreviousChar();
        }
        m_row = 0;
        m_col = 0;
        m_rowPending = false;
    }
    if (m_rowPending) {
        ++m_row;
        m_rowPending = false;
    }
    while (m_table->rows() <= m_row)
        m_table->appendRows(1);
    const int col = std::min(m_col, kMaxTableColumns - 1);
    while (m_table->columns() <= col)
        m_table->appendColumns(1);
    if (m_cellRow != m_row || m_cellCol != col) {
        m_cursor = m_table->cellAt(m_row, col).lastCursorPosition();
        m_cellRow = m_row;
        m_cellCol = col;
    }
}

} // namespace qb::rtf
