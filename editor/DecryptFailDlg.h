#pragma once
// "Cannot decrypt": shows the source of a note that no key opened, so the user sees what
// came from the server. The caller gives the text; OK closes.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qb {

class CDecryptFailDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDecryptFailDlg(QWidget* parent = nullptr);

    // Lines may end in LF or CR LF.
    void SetSourceText(const QString& text);
    const QString& SourceText() const { return m_sourceText; }

    // For the tests that look at the dialog.
    QLabel& MessageText() const { return *m_message; }
    QPlainTextEdit& SourceEdit() const { return *m_source; }
    QPushButton& OkButton() const { return *m_ok; }

private:
    QString m_sourceText;
    QLabel* m_message = nullptr;
    QPlainTextEdit* m_source = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace qb
