#pragma once
// Asks for the name of a new note. The caller keeps one object for a whole save and may
// show it again with another hint; each showing starts with the name confirmed last. It
// collects and trims the name and holds it to the name rule: no extension, no look at the
// server.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qb {

class CFileNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFileNameDlg(QWidget* parent = nullptr);

    // Without white space at either end; empty until a name was confirmed.
    const QString& FileName() const { return m_fileName; }
    void SetFileName(const QString& name);
    // The hint above the edit, shown from the next showing on.
    const QString& Prompt() const { return m_prompt; }
    void SetPrompt(const QString& prompt);

    // OK: takes the trimmed name; an empty one keeps the dialog open with "Bad Name.", one
    // that breaks the name rule with the rule's reason.
    void accept() override;

    // For the tests that drive the dialog.
    QLabel& PromptText() const { return *m_promptText; }
    QLineEdit& NameEdit() const { return *m_nameEdit; }
    QPushButton& OkButton() const { return *m_ok; }
    QPushButton& CancelButton() const { return *m_cancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowMembers();

    QString m_fileName;
    QString m_prompt;
    QLabel* m_promptText = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace qb
