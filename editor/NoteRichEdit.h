#pragma once
// The note's text area: a rich-text edit that takes pictures by paste and drop, keeps the
// note under its character limit while the user types or pastes, offers the edit commands
// on its own right-click menu, finds text (Ctrl+F with the find dialog, F3 again without
// it), prints, and reads and writes plain RTF files.

#include "editor/SelectionFormat.h"
#include "note/RtfFile.h"

#include <QString>
#include <QTextEdit>

#include <memory>

class QMenu;

namespace qb {

// Typing and pasting stop here; a longer note that is loaded stays whole.
inline constexpr int kNoteCharLimit = 128000;

class CNoteRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit CNoteRichEdit(QWidget* parent = nullptr);
    ~CNoteRichEdit() override;

    // The characters the note holds; a picture and a paragraph end count one each.
    int CharCount() const;

    // Replace or write the whole content; on failure the message says why.
    Result<void, RtfFileFailure> LoadRtfFile(const QString& path);
    Result<void, RtfFileFailure> SaveRtfFile(const QString& path) const;

    // Ctrl+F and the Find command: with the find dialog preset from the selection (a
    // confirmed, non-empty text becomes the search text). F3: without it. Then selects the
    // next match after the selection, else the first in the text, and returns its start;
    // -1 when there is none, and the selection stays.
    int FindText(bool showDialog);
    const QString& SearchText() const { return m_searchText; }

    // The print dialog, then the whole note on the chosen printer (or PDF file).
    void PrintNote();

    // The right-click menu with its items enabled or grayed for the present state.
    std::unique_ptr<QMenu> CreateEditMenu();
    // Empties the menu and fills it with the edit commands, as the right-click menu has
    // them: the editor's own Edit menu refills itself this way each time it opens.
    void FillEditMenu(QMenu& menu);

    // The formatting commands on the selection, or on the typing format without one.
    void SetBold(bool on);
    void SetItalic(bool on);
    void SetUnderline(bool on);
    void SetFontName(const QString& face);
    void SetFontSize(int points);
    void SetColor(const QColor& color);
    void SetAlignment(Alignment alignment);
    void SetBullet(bool on);
    SelectionFormat Format() const;

    bool CanPaste() const;

signals:
    // A key or a paste was refused because the note would grow past its limit.
    void limitReached();
    // The user chose Find on the right-click menu.
    void findRequested();

protected:
    bool event(QEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // False, with the user told, when replacing the selection by `adding` characters would
    // take the note past its limit.
    bool RoomFor(qsizetype adding);
    QString m_searchText; // the text of the last search, for F3
};

} // namespace qb
