#pragma once
// "Trash": what was deleted from the account, newest first, with where it was and when,
// and "Restore" (put back where it was, under a "Copy of" name when the place is taken).

#include "app/NoteHistory.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace qb {

class CClientApp;

class CTrashDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTrashDlg(CClientApp& app, QWidget* parent = nullptr);

    // Asks the server again; false (after telling the user) when it refused.
    bool Reload();
    // Puts back the entry in the given row; false when nothing was put back.
    bool RestoreRow(int row);
    bool Restored() const { return m_restored; }

    QTreeWidget* List() const { return m_list; }
    QPushButton* RestoreButton() const { return m_restore; }

private:
    CNoteHistory m_history;
    std::vector<TrashEntry> m_entries;
    bool m_restored = false;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_restore = nullptr;
};

} // namespace qb
