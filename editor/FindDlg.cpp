#include "editor/FindDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qb {

CFindDlg::CFindDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Find..."));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(tr("Find what:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setMinimumWidth(220);
    label->setBuddy(m_edit);
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    layout->addLayout(row);

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CFindDlg::SetFindText(const QString& text)
{
    m_edit->setText(text);
    m_edit->selectAll(); // typing replaces the preset
}

QString CFindDlg::FindText() const
{
    return m_edit->text();
}

} // namespace qb
