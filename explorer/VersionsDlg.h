#pragma once
// "Previous Versions...": the versions the server keeps of one note, newest first, with
// "Restore" (the chosen version becomes the note's text; its present text becomes a
// version). "Open" stays disabled: the editor has no read-only mode yet.

#include "app/NoteHistory.h"

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace qb {

class CClientApp;

class CVersionsDlg : public QDialog {
    Q_OBJECT
public:
    CVersionsDlg(CClientApp& app, std::string path, QWidget* parent = nullptr);

    // Asks the server again; false (after telling the user) when it refused.
    bool Reload();
    // Restores the version in the given row; false when nothing was restored.
    bool RestoreRow(int row);
    bool Restored() const { return m_restored; }

    QTreeWidget* List() const { return m_list; }
    QPushButton* OpenButton() const { return m_open; }
    QPushButton* RestoreButton() const { return m_restore; }

private:
    std::string m_path;
    CNoteHistory m_history;
    std::vector<NoteVersion> m_versions;
    bool m_restored = false;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_restore = nullptr;
};

} // namespace qb
