#pragma once
// The key dialog: creates a key (name, key, confirmation) before a note is saved, or asks
// for the key of a note being opened. It only collects and checks the texts; the caller
// hands them to the key holder.

#include "codec/SecureWipe.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qb {

class CKeyDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode {
        Create, // name, key and confirmation, which must match
        Enter,  // the key of the name offered; name and confirmation cannot be edited
    };

    explicit CKeyDlg(Mode mode, QWidget* parent = nullptr);
    ~CKeyDlg() override;

    // Before showing; in enter mode the name of the key the note was saved with.
    void SetKeyName(const QString& name);
    QString KeyName() const;
    // The key typed, after OK; empty otherwise.
    const SecretText& Key() const { return m_key; }

    // OK: refuses an empty key and, when creating, a confirmation that differs.
    void accept() override;
    // Every ending empties the key edits.
    void done(int result) override;

    // For the tests that drive the dialog.
    QLabel& PromptText() const { return *m_prompt; }
    QLineEdit& NameEdit() const { return *m_nameEdit; }
    QLineEdit& KeyEdit() const { return *m_keyEdit; }
    QLineEdit& ConfirmEdit() const { return *m_confirmEdit; }
    QPushButton& NameHelpButton() const { return *m_nameHelp; }
    QPushButton& KeyHelpButton() const { return *m_keyHelp; }
    QPushButton& OkButton() const { return *m_ok; }

private:
    void BuildLayout();

    const Mode m_mode;
    SecretText m_key;
    QLabel* m_prompt = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_keyEdit = nullptr;
    QLineEdit* m_confirmEdit = nullptr;
    QPushButton* m_nameHelp = nullptr;
    QPushButton* m_keyHelp = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace qb
