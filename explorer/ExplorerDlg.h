#pragma once
// The main window: toolbar, menu bar, the remote list, the status row (item count, path,
// progress) and the navigation history.

#include "NavigationHistory.h"
#include "RequestWaiter.h"

#include "note/NoteHost.h"

#include "app/ScriptReply.h"

#include "ui/ProgramName.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QUrl;

namespace qb {

class CClientApp;
class CRemoteListCtrl;

inline constexpr const char* kExplorerTitle = kProgramName;

class CExplorerDlg : public QDialog, public INoteHost {
    Q_OBJECT
public:
    explicit CExplorerDlg(CClientApp& app, QWidget* parent = nullptr);
    ~CExplorerDlg() override;

    // The start: toolbar, list, menu, first listing, size. False when the first listing
    // failed: the window is not to be shown and the program ends.
    bool Init();

    void PushHistory(const std::string& path);
    void UpdateNavButtons();
    void LayoutControls();
    // The folder shown: in the status row, cut in the middle when long, and in the title.
    void ShowPath(const QString& path);

    // Commands, as menus and toolbar run them.
    void RunCommand(int id);
    void GoBack();
    void GoForward();
    void GoUp();
    void GoHome();

    QAction* Action(int id) const { return m_actions.value(id); }
    CRemoteListCtrl& List() { return *m_list; }
    QProgressBar& Progress() { return *m_progress; }
    QProgressBar& BusyIndicator() { return *m_busy; }
    CRequestWaiter& Waiter() { return m_waiter; }
    // What opens the online guide in a browser; false when none could be opened.
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    QString GuideAddress() const;
    QLabel& CountText() { return *m_countText; }
    QLabel& PathText() { return *m_pathText; }
    const NavigationHistory& History() const { return m_history; }
    QMenu* EditMenu() const { return m_editMenu; }
    void UpdateEditMenu();

    // Opens the note at path (or a new note, or a local file) in a modal editor.
    void OpenNote(const std::string& path, bool exclusive);
    void NewNote();
    void OpenLocal();

    // INoteHost: what the editor asks of this window.
    bool NameExists(const std::string& name) const override;
    void RefreshListing() override;
    void ShowProgress(int position, int range) override;
    void HideProgress() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateToolBar();
    void CreateMenuBar();
    QAction* MakeAction(int id, const QString& text);
    void StoreSize();
    void ElidePath();
    void RunEditor(class CEditorDlg& editor);
    void ShowOnlineHelp();
    // The one message of a start against a server that cannot be listed.
    QString StartFailureText(const QString& cause, ChannelError error) const;

    CClientApp& m_app;
    QWidget* m_client = nullptr;
    QProgressBar* m_progress = nullptr;
    QProgressBar* m_busy = nullptr;
    CRequestWaiter m_waiter;
    std::function<bool(const QUrl&)> m_openUrl;
    CRemoteListCtrl* m_list = nullptr;
    NavigationHistory m_history;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_countText = nullptr;
    QLabel* m_pathText = nullptr;
    QString m_fullPath;
    QMenu* m_editMenu = nullptr;
    QHash<int, QAction*> m_actions;
    QSize m_wantedSize;
    bool m_sizeApplied = false;
};

} // namespace qb
