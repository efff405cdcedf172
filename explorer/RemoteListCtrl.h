#pragma once
// The remote folder list: listing, sorting, opening, and every change to the remote tree
// (copy, cut, paste, delete, new folder, rename) with its private clipboard.

#include "RemoteListModel.h"

#include <QTreeView>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QMenu;

namespace qb {

class CClientApp;
class ReplyReader;

// The sort direction, shared by every list of the process.
extern bool g_sortAscending;

class CRemoteListCtrl : public QTreeView {
    Q_OBJECT
public:
    CRemoteListCtrl(CClientApp& app, QWidget* parent = nullptr);

    bool InitView();
    // 1 when shown, 2 when refused, else the channel's failure (-1, -3, -status).
    int ListDirectory(const std::string& path);
    // Shows the entry lines of an accepted listing reply (after its status line).
    void ShowListing(const std::string& path, ReplyReader& reply);
    // 1 when inserted, -1 when the numbers do not parse, -2 without "|".
    int AddEntryLine(std::string_view line, int index);
    int OpenSelected(bool exclusive);
    bool GoUp();

    int CopySelection(bool cut);
    int PasteClipboard();
    int DeleteSelection();
    int NewFolder();
    void RenameEntry(int row, const QString& newText);
    bool HasSelection() const;
    bool CanPaste() const;

    // The context menu for the current selection, and what its commands do.
    std::unique_ptr<QMenu> BuildContextMenu();
    void RunContextCommand(int id);
    void ShowContextMenu(const QPoint& globalPos);
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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Common shape of the tree operations: the reply's status line, judged; a refusal is
    // shown (first line, then every further line) and the request closed.
    bool AcceptedOrShown(int posted);
    std::vector<std::string> SelectedNames() const;
    void StartRename(int row);

    CClientApp& m_app;
    RemoteListModel m_model;
};

} // namespace qb
