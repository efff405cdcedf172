#pragma once
// The editor window: one note in a text control, the name of the key it is saved with, and
// the open, save, unlock and close flows of the note layer behind its menus. It runs
// modally over the window that opened it, which it reaches only through INoteHost.

#include "note/NoteResult.h"
#include "note/NoteWindow.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;

namespace qb {

class CClientApp;
class CFormatBar;
class CNoteDocument;
class CNoteRichEdit;
class INoteHost;

class CEditorDlg : public QDialog, public INoteWindow {
    Q_OBJECT
public:
    // The ending of a normal close; an open that failed ends with Rejected.
    static constexpr int kClosed = 1015;

    CEditorDlg(CClientApp& app, INoteHost& host, QWidget* parent = nullptr);
    ~CEditorDlg() override;

    // What to open, set before Start: a new note saved into the folder; the remote note at
    // path (exclusively when asked); or a local RTF file saved later into the folder.
    void SetNewNote(const std::string& remoteDir);
    void SetRemoteNote(const std::string& path, bool exclusive);
    void SetLocalFile(const QString& filePath, const std::string& remoteDir);
    // An earlier version of the remote note at path, shown read-only: no lock, no save.
    // saved is the version's date as the caller lists it, for the title.
    void SetEarlierVersion(const std::string& path, std::int64_t version, const QString& saved);
    bool IsReadOnly() const { return m_source == Source::Version; }

    // Size, open and title. False when the open failed or was cancelled: the window is not
    // to be shown (its result is then Rejected).
    bool Start();

    // The note stored where it belongs; with releaseLock the lock goes in the same request.
    bool Save(bool releaseLock);
    // "Save Changes?" when modified; ends the dialog unless a save was chosen and failed.
    void CloseEditor();
    // A new saving key from the key dialog; the note counts as modified.
    void ChangeSaveKey();
    // The note written as a plain RTF file where the user chooses; the note itself, its
    // name, lock and modified state stay as they are. A failure leaves an old file whole.
    void SaveLocalCopy();
    // The file dialog of a local copy, offering the name; nothing when cancelled.
    virtual std::optional<QString> AskLocalCopyPath(const QString& suggestedName);

    // INoteWindow: the editor's dialogs, title and progress bar.
    std::optional<SecretText> AskOpenKey(const std::string& keyName) override;
    std::optional<TypedKey> AskNewKey() override;
    std::optional<std::string> AskNewName(bool nameExists) override;
    void ShowDecryptFailure(const QString& source) override;
    void SetStatus(const QString& title) override;
    void ShowProgress(int position, int range) override;
    void HideProgress() override;

    // For the explorer's tests and the tests that drive the window.
    CNoteDocument& Note() { return *m_note; }
    CNoteRichEdit& TextControl() const { return *m_text; }
    QLabel& KeyNameText() const { return *m_keyName; }
    QPushButton& ChangeButton() const { return *m_change; }
    QProgressBar& Progress() const { return *m_progress; }
    QAction& SaveAction() const { return *m_save; }
    QAction& CloseAction() const { return *m_close; }
    QAction& LocalCopyAction() const { return *m_localCopy; }
    QAction& PrintAction() const { return *m_print; }
    CFormatBar& FormatBar() const { return *m_formatBar; }

    // Escape and the close box run the close flow.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Source { New, Remote, Local, Version };

    void BuildMenus();
    void BuildLayout();
    void BuildShortcuts();
    void ConnectFormatBar();
    // The bar shows the selection's format; called on every selection or format change.
    void UpdateFormatBar();
    void ShowLimitReached();
    void ApplyTypingFont();
    void CentreOn(const QWidget& owner);
    void TypeInTheFirstCharactersFormat();
    void ShowKeyName();
    void ShowFailure(const QString& message, bool plainBox = false);
    // The window title: the note's own, or that of the version shown.
    QString Title() const;
    NoteOutcome OpenEarlierVersion();
    void MakeReadOnly();
    void StoreSize();

    CClientApp& m_app;
    INoteHost& m_host;
    std::unique_ptr<CNoteDocument> m_note;
    Source m_source = Source::New;
    std::string m_openPath;
    bool m_exclusive = false;
    std::int64_t m_version = 0;
    QString m_versionSaved;
    QString m_localFile;
    std::unique_ptr<class CFileNameDlg> m_nameDlg; // one for a whole save: it keeps the name typed last

    CNoteRichEdit* m_text = nullptr;
    CFormatBar* m_formatBar = nullptr;
    QLabel* m_keyName = nullptr;
    QPushButton* m_change = nullptr;
    QProgressBar* m_progress = nullptr;
    QAction* m_save = nullptr;
    QAction* m_close = nullptr;
    QAction* m_localCopy = nullptr;
    QAction* m_print = nullptr;
};

} // namespace qb
