#pragma once
// Writes what the RTF reader finds into a QTextDocument through one QTextCursor: runs of
// text, pictures, paragraph ends with their formats, and tables that grow cell by cell.

#include <QTextCursor>
#include <QTextFormat>

#include <optional>

class QTextDocument;
class QTextTable;

namespace qb::rtf {

struct PictureResource;

// The formats of one paragraph, resolved from the reader's state.
struct ParagraphFormat {
    QTextBlockFormat block;
    std::optional<QTextListFormat> list;
    QTextCharFormat mark; // the paragraph's own character format: its bullet, an empty line's height
};

class DocumentBuilder {
public:
    explicit DocumentBuilder(QTextDocument& document);

    void Begin(); // clears the document; one undo step until End
    void End();

    // inTable: the text belongs to the current table cell; false leaves a table.
    void InsertText(const QString& text, const QTextCharFormat& format, bool inTable);
    void InsertPicture(const PictureResource& picture, bool inTable);
    // Gives the current paragraph its format; the paragraph goes on.
    void ApplyParagraph(const ParagraphFormat& format);
    // Gives the current paragraph its format and starts the next one.
    void EndParagraph(const ParagraphFormat& format, bool inTable);
    // Ends the current cell's paragraph with its format; text goes to the next cell.
    void EndCell(const ParagraphFormat& format);
    void EndRow();

private:
    void EnterOrLeaveTable(bool inTable);
    void LeaveTable();
    void EnsureCell();

    QTextDocument& m_doc;
    QTextCursor m_cursor;
    int m_imageCount = 0;

    QTextTable* m_table = nullptr; // owned by the document
    int m_row = 0, m_col = 0;
    int m_cellRow = -1, m_cellCol = -1;
    bool m_rowPending = false;
};

} // namespace qb::rtf
