#pragma once
// The small "Find..." dialog: one line for the text to find and an OK button. Escape or
// the close box cancel; there is no Cancel button.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qb {

class CFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindDlg(QWidget* parent = nullptr);

    void SetFindText(const QString& text);
    QString FindText() const;

    QLineEdit& TextEdit() const { return *m_edit; }
    QPushButton& OkButton() const { return *m_ok; }

private:
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace qb
