#include "editor/FileNameDlg.h"

#include "editor/DialogStyle.h"
#include "editor/DialogUnits.h"

#include "ui/Icons.h"
#include "ui/NameRefusal.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qb {
namespace {

constexpr int kNameMax = 45;

// Space, tab, line feed, vertical tab, form feed and carriage return; other white space
// (a no-break space, say) is part of the name.
bool IsTrimmed(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

QString Trimmed(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

CFileNameDlg::CFileNameDlg(QWidget* parent)
    : QDialog(parent), m_prompt(tr("Best to use only letters and digits when choosing file names."))
{
    setWindowTitle(tr("Enter a File Name"));
    auto* group = new QGroupBox(this);
    m_promptText = new QLabel(group);
    m_promptText->setTextFormat(Qt::PlainText);
    m_promptText->setMinimumWidth(DluWidth(*this, 219));
    SetTextColour(*m_promptText, QColor(0, 0, 170));

    auto* nameLabel = new QLabel(tr("File Name:"), group);
    nameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_nameEdit = new QLineEdit(group);
    m_nameEdit->setMaxLength(kNameMax);
    m_nameEdit->setFixedWidth(DluWidth(*this, 100));
    SetTextColour(*m_nameEdit, QColor(255, 0, 0));
    nameLabel->setBuddy(m_nameEdit);

    auto* icon = new QLabel(group);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    m_cancel = new QPushButton(tr("Cancel"), group);
    m_cancel->setAutoDefault(false);
    m_ok = new QPushButton(tr("OK"), group);
    m_ok->setDefault(true);
    for (QPushButton* button : {m_cancel, m_ok})
        button->setMinimumWidth(DluWidth(*this, 47));
    connect(m_ok, &QPushButton::clicked, this, &CFileNameDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CFileNameDlg::reject);

    auto* nameRow = new QHBoxLayout;
    nameRow->addStretch(1);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_nameEdit);
    nameRow->addStretch(1);

    // The buttons stay centred: the icon on the left is balanced by as wide a space.
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(icon);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_cancel);
    buttonRow->addWidget(m_ok);
    buttonRow->addStretch(1);
    buttonRow->addSpacing(icon->sizeHint().width());

    auto* inside = new QVBoxLayout(group);
    inside->addWidget(m_promptText);
    inside->addSpacing(DluHeight(*this, 6));
    inside->addLayout(nameRow);
    inside->addSpacing(DluHeight(*this, 6));
    inside->addLayout(buttonRow);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(DluWidth(*this, 3), 0, DluWidth(*this, 3), DluHeight(*this, 3));
    layout->addWidget(group);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowMembers();
}

void CFileNameDlg::SetFileName(const QString& name)
{
    m_fileName = Trimmed(name);
}

void CFileNameDlg::SetPrompt(const QString& prompt)
{
    m_prompt = prompt;
}

void CFileNameDlg::ShowMembers()
{
    m_promptText->setText(m_prompt);
    m_nameEdit->setText(m_fileName);
    m_nameEdit->selectAll();
    m_nameEdit->setFocus();
}

void CFileNameDlg::showEvent(QShowEvent* event)
{
    // Each showing starts from the members, not from what the last one left on screen.
    if (!event->spontaneous())
        ShowMembers();
    QDialog::showEvent(event);
}

void CFileNameDlg::accept()
{
    m_fileName = Trimmed(m_nameEdit->text());
    if (m_fileName.isEmpty()) {
        m_promptText->setText(tr("Bad Name."));
        m_nameEdit->setFocus();
        return;
    }
    // The server would refuse it: say why in its words, and let the user mend the name.
    if (const QString refusal = NameRefusal(m_fileName); !refusal.isEmpty()) {
        m_promptText->setText(refusal);
        m_nameEdit->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace qb
