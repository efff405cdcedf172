#include "editor/NoteRichEdit.h"

#include "editor/FindDlg.h"
#include "editor/NotePrinter.h"
#include "editor/PastedPicture.h"
#include "editor/TextFind.h"
#include "editor/TextFormatting.h"

#include "ui/WaitCursor.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocumentFragment>

namespace qb {
namespace {

// The length the base class would insert for this data: rich text when it takes rich
// text, else the plain text.
qsizetype InsertedLength(const QMimeData& source, bool acceptRich)
{
    if (acceptRich && source.hasHtml())
        return QTextDocumentFragment::fromHtml(source.html()).toPlainText().size();
    return source.text().size();
}

// Keys that put characters into the text; Backspace and Delete carry control characters
// and take text away.
bool AddsText(const QKeyEvent& event)
{
    if (event.text().isEmpty() || (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const int key = event.key();
    return event.text().front().isPrint() || key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter;
}

enum class FindKey { None, WithDialog, Again };

FindKey FindKeyOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (event.key() == Qt::Key_F && modifiers == Qt::ControlModifier)
        return FindKey::WithDialog;
    if (event.key() == Qt::Key_F3 && modifiers == Qt::NoModifier)
        return FindKey::Again;
    return FindKey::None;
}

} // namespace

CNoteRichEdit::CNoteRichEdit(QWidget* parent) : QTextEdit(parent)
{
    setTabChangesFocus(false); // Tab is a character of the note
    setLineWrapMode(QTextEdit::WidgetWidth);
    setViewportMargins(6, 2, 6, 0);
}

CNoteRichEdit::~CNoteRichEdit() = default;

int CNoteRichEdit::CharCount() const
{
    return document()->characterCount() - 1; // the document's final paragraph end is not the user's
}

Result<void, RtfFileFailure> CNoteRichEdit::LoadRtfFile(const QString& path)
{
    return qb::LoadRtfFile(path, *document());
}

Result<void, RtfFileFailure> CNoteRichEdit::SaveRtfFile(const QString& path) const
{
    return qb::SaveRtfFile(path, *document());
}

bool CNoteRichEdit::RoomFor(qsizetype adding)
{
    const QTextCursor cursor = textCursor();
    const qsizetype replaced = cursor.selectionEnd() - cursor.selectionStart();
    if (adding <= replaced || CharCount() - replaced + adding <= kNoteCharLimit)
        return true;
    QApplication::beep();
    emit limitReached();
    return false;
}

bool CNoteRichEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return source && (HasPicture(*source) || QTextEdit::canInsertFromMimeData(source));
}

void CNoteRichEdit::insertFromMimeData(const QMimeData* source)
{
    if (!source || isReadOnly())
        return;
    if (HasPicture(*source)) {
        // A picture that cannot be read falls back to whatever text came with it.
        if (const auto picture = PictureFrom(*source)) {
            if (!RoomFor(1))
                return;
            QTextCursor cursor = textCursor();
            InsertPicture(cursor, *picture);
            setTextCursor(cursor);
            ensureCursorVisible();
            return;
        }
        if (!source->hasText() && !source->hasHtml()) {
            QApplication::beep();
            return;
        }
    }
    if (!RoomFor(InsertedLength(*source, acceptRichText())))
        return;
    QTextEdit::insertFromMimeData(source);
}

bool CNoteRichEdit::event(QEvent* event)
{
    // The find keys belong to the text while it has the focus: a window shortcut for the
    // same keys must not run the search a second time.
    if (event->type() == QEvent::ShortcutOverride && FindKeyOf(*static_cast<QKeyEvent*>(event)) != FindKey::None) {
        event->accept();
        return true;
    }
    return QTextEdit::event(event);
}

void CNoteRichEdit::keyPressEvent(QKeyEvent* event)
{
    switch (FindKeyOf(*event)) {
    case FindKey::WithDialog:
        event->accept();
        FindText(true);
        return;
    case FindKey::Again:
        event->accept();
        FindText(false);
        return;
    case FindKey::None:
        break;
    }
    if (event->key() == Qt::Key_Escape) {
        // The note takes every key: Escape must not close the editor from here.
        event->accept();
        return;
    }
    if (!isReadOnly() && AddsText(*event) && !RoomFor(event->text().size())) {
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CNoteRichEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty() && !RoomFor(event->commitString().size())) {
        event->accept();
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

int CNoteRichEdit::FindText(bool showDialog)
{
    if (showDialog) {
        CFindDlg dialog(this);
        dialog.SetFindText(textCursor().selectedText());
        if (dialog.exec() == QDialog::Accepted && !dialog.FindText().isEmpty())
            m_searchText = dialog.FindText();
    }
    const auto match = FindNextMatch(*document(), textCursor(), m_searchText);
    if (!match)
        return -1;
    setTextCursor(*match);
    return match->selectionStart();
}

void CNoteRichEdit::PrintNote()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("RTF"));
    QPrintDialog dialog(&printer, this);
    // The whole note only; printing to a file stays offered, so a PDF needs no printer.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    WaitCursor wait;
    PrintDocument(*document(), printer);
}

void CNoteRichEdit::SetBold(bool on) { qb::SetBold(*this, on); }
void CNoteRichEdit::SetItalic(bool on) { qb::SetItalic(*this, on); }
void CNoteRichEdit::SetUnderline(bool on) { qb::SetUnderline(*this, on); }
void CNoteRichEdit::SetFontName(const QString& face) { qb::SetFontName(*this, face); }
void CNoteRichEdit::SetFontSize(int points) { qb::SetFontSize(*this, points); }
void CNoteRichEdit::SetColor(const QColor& color) { qb::SetColor(*this, color); }
void CNoteRichEdit::SetAlignment(Alignment alignment) { qb::SetAlignment(*this, alignment); }
void CNoteRichEdit::SetBullet(bool on) { qb::SetBullet(*this, on); }

SelectionFormat CNoteRichEdit::Format() const
{
    return FormatOfSelection(textCursor());
}

bool CNoteRichEdit::CanPaste() const
{
    if (isReadOnly())
        return false;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && canInsertFromMimeData(data);
}

std::unique_ptr<QMenu> CNoteRichEdit::CreateEditMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    FillEditMenu(*menu);
    return menu;
}

void CNoteRichEdit::FillEditMenu(QMenu& menu)
{
    menu.clear();
    const bool selected = textCursor().hasSelection();
    const bool editable = !isReadOnly();

    QAction* undoAction = menu.addAction(tr("Undo/Redo\t Ctrl + Z"), this, &QTextEdit::undo);
    undoAction->setEnabled(editable && document()->isUndoAvailable());
    menu.addSeparator();
    menu.addAction(tr("Cut\tCtrl + X"), this, &QTextEdit::cut)->setEnabled(selected && editable);
    menu.addAction(tr("Copy\tCtrl + C"), this, &QTextEdit::copy)->setEnabled(selected);
    menu.addAction(tr("Paste\tCtrl + V"), this, &QTextEdit::paste)->setEnabled(CanPaste());
    menu.addAction(tr("Delete\tDel"), this, [this] { textCursor().removeSelectedText(); })
        ->setEnabled(selected && editable);
    menu.addSeparator();
    menu.addAction(tr("&Find\tCtrl-F"), this, &CNoteRichEdit::findRequested);
    menu.addSeparator();
    menu.addAction(tr("Select All\tCtrl + A"), this, &QTextEdit::selectAll);
}

void CNoteRichEdit::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu = CreateEditMenu();
    menu->exec(event->globalPos());
}

} // namespace qb
