#pragma once
// The remote folder list: listing, sorting, opening, and every change to the remote tree
// (copy, cut, paste, delete, new folder, rename) with its private clipboard.

#include "RemoteListModel.h"

#include "app/ScriptReply.h"

#include <QDeadlineTimer>
#include <QTreeView>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QMenu;

namespace qb {

class CClientApp;

// The sort direction, shared by every list of the process.
extern bool g_sortAscending;

class CRemoteListCtrl : public QTreeView {
    Q_OBJECT
public:
    CRemoteListCtrl(CClientApp& app, QWidget* parent = nullptr);

    bool InitView();
    // None when shown; otherwise how the listing failed, told to the user in one box (or
    // put in *failure when given), the entries shown marked stale. A cancelled listing
    // leaves everything as it was and says nothing.
    ChannelError ListDirectory(const std::string& path, QString* failure = nullptr);
    // Shows the entry lines of an accepted listing reply (after its status line).
    void ShowListing(const std::string& path, ReplyReader& reply);
    // 1 when inserted, -1 when the numbers do not parse, -2 without "|".
    int AddEntryLine(std::string_view line, int index);
    int OpenSelected(bool exclusive);
    // "Previous Versions..." of the one note selected; the folder is listed again after a
    // restore.
    void ShowVersions();
    bool GoUp();

    int CopySelection(bool cut);
    // 1 when pasted; 0 when not, the reason shown.
    int PasteClipboard();
    // 1 when deleted; 0 when nothing was selected or the user said no; -1 when the request
    // failed, -2 when the server refused (the reason shown).
    int DeleteSelection();
    // True when the server's new folder is in the list, its name being edited.
    bool NewFolder();
    void RenameEntry(int row, const QString& newText);
    void RenameNamed(const QString& from, const QString& to);
    bool HasSelection() const;
    bool CanPaste() const;

    // The context menu for the current selection, and what its commands do.
    std::unique_ptr<QMenu> BuildContextMenu();
    void RunContextCommand(int id);
    void ShowContextMenu(const QPoint& globalPos);
    // Where a context menu opened from the keyboard appears: below the current entry.
    QPoint KeyboardMenuPos() const;
    void SortByColumn(int column); // a click on a column heading

    bool NameExists(const QString& name) const;
    bool IsEditingName() const { return state() == QAbstractItemView::EditingState; }
    std::vector<int> SelectedRows() const; // in increasing row order
    RemoteListModel& Model() { return m_model; }

    std::string m_currentDir;
    int m_sortColumn = kColumnName;
    std::vector<std::string> m_clipNames;
    std::string m_clipFromDir;
    bool m_clipIsCut = false;

signals:
    void countTextChanged(const QString& text);
    void pathTextChanged(const QString& text);
    void folderOpened(const std::string& path); // a double-click listed it: for the history
    void fileOpenRequested(const std::string& path, bool exclusive);
    void newFileRequested();

public:
    using QTreeView::edit; // beside the override below

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    // Common shape of the tree operations: an accepted reply, or its failure shown.
    bool AcceptedOrShown(const ScriptReply& reply);
    std::vector<std::string> SelectedNames() const;
    // Names what a delete of the selection would remove.
    QString DeleteQuestion() const;
    void StartRename(int row);
    // The clipboard changed or the folder shown did: dim what is cut here.
    void ShowCutEntries();

    CClientApp& m_app;
    RemoteListModel m_model;
    // No rename starts while a double-clicked entry opens, nor until a click after its
    // release could no longer belong to it: the clicks of a double-click arm a rename.
    bool m_opening = false;
    QDeadlineTimer m_renameBlockedUntil;
};

} // namespace qb
