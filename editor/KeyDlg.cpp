#include "editor/KeyDlg.h"

#include "editor/DialogStyle.h"
#include "editor/DialogUnits.h"
#include "editor/KeyIcon.h"
#include "editor/SecretEdit.h"

#include "ui/UserPrompts.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qb {
namespace {

constexpr int kNameMax = 15; // what an envelope's header keeps of a key's name
constexpr int kKeyMax = 32;  // the cipher takes 32 characters of key text

// Not translated: the name travels with every note saved under the key.
const char* const kDefaultKeyName = "default";

QLabel* RightLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

CKeyDlg::CKeyDlg(Mode mode, QWidget* parent) : QDialog(parent), m_mode(mode)
{
    m_prompt = new QLabel(this);
    m_prompt->setAlignment(Qt::AlignCenter);
    m_prompt->setWordWrap(true);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setFont(FontOrFallback(QStringLiteral("Arial"), 12, QFont::Bold, QApplication::font()));
    SetTextColour(*m_prompt, QColor(255, 0, 0));

    m_nameEdit = new QLineEdit(QString::fromLatin1(kDefaultKeyName), this);
    m_nameEdit->setMaxLength(kNameMax);
    SetTextColour(*m_nameEdit, QColor(0, 0, 255));
    m_keyEdit = new QLineEdit(this);
    m_confirmEdit = new QLineEdit(this);
    for (QLineEdit* edit : {m_keyEdit, m_confirmEdit}) {
        edit->setMaxLength(kKeyMax);
        edit->setEchoMode(QLineEdit::Password);
        SetTextColour(*edit, QColor(0, 136, 0));
    }

    m_nameHelp = new QPushButton(tr("?"), this);
    m_keyHelp = new QPushButton(tr("?"), this);
    for (QPushButton* help : {m_nameHelp, m_keyHelp}) {
        help->setAutoDefault(false);
        help->setFixedSize(DluSize(*this, 13, 13));
    }
    connect(m_nameHelp, &QPushButton::clicked, this, [this] {
        Prompts().Information(this, tr("\nKey Name can be used later to remind you which key\t\t\nyou used to "
                                       "encrypt the files. So choose a name that\ncan help you remember the key."));
    });
    connect(m_keyHelp, &QPushButton::clicked, this, [this] {
        Prompts().Information(this, tr("\nA key is similar to a password. It is used to encrypt your files.\t\n"
                                       "Nobody will be able to open an encrypted file without knowing the key.\t\n\n"
                                       "All files saved in this server are required to be encrypted."));
    });

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &CKeyDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CKeyDlg::reject);

    if (m_mode == Mode::Enter) {
        setWindowTitle(tr("Enter the encryption key..."));
        m_prompt->setText(tr("Please enter the key named below."));
        m_nameEdit->setEnabled(false);
        m_confirmEdit->setEnabled(false);
        m_nameHelp->hide();
    } else {
        setWindowTitle(tr("Create your own encryption key..."));
        m_prompt->setText(tr("Do not forget your encryption key!"));
    }
    BuildLayout();
    m_keyEdit->setFocus();
}

CKeyDlg::~CKeyDlg()
{
    WipeEdit(*m_keyEdit);
    WipeEdit(*m_confirmEdit);
}

void CKeyDlg::BuildLayout()
{
    auto* icon = new QLabel(this);
    icon->setPixmap(KeyIcon().pixmap(32, 32));
    icon->setFixedSize(DluSize(*this, 20, 20).expandedTo(QSize(32, 32)));
    icon->setAlignment(Qt::AlignCenter);
    m_prompt->setMinimumSize(DluSize(*this, 214, 18));

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(m_prompt, 1);

    // Labels, edits and what follows each edit; the block is centred under the prompt.
    auto* fields = new QGridLayout;
    fields->addWidget(RightLabel(tr("Key Name:"), this), 0, 0);
    fields->addWidget(m_nameEdit, 0, 1);
    fields->addWidget(m_nameHelp, 0, 2, Qt::AlignLeft);
    fields->addWidget(RightLabel(tr("Key:"), this), 1, 0);
    fields->addWidget(m_keyEdit, 1, 1);
    fields->addWidget(m_keyHelp, 1, 2, Qt::AlignLeft);
    fields->addWidget(RightLabel(tr("Re-enter the key:"), this), 2, 0);
    fields->addWidget(m_confirmEdit, 2, 1);
    fields->addWidget(new QLabel(tr("(case-sensitive)"), this), 2, 2);
    for (QLineEdit* edit : {m_nameEdit, m_keyEdit, m_confirmEdit})
        edit->setFixedWidth(DluWidth(*this, 74));
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addLayout(fields);
    centred->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_ok, m_cancel}) {
        button->setMinimumWidth(DluWidth(*this, 50));
        buttons->addWidget(button);
    }
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(centred);
    layout->addSpacing(DluHeight(*this, 4));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab goes from field to field and on to the buttons; the "?" buttons take the mouse only.
    for (QPushButton* help : {m_nameHelp, m_keyHelp})
        help->setFocusPolicy(Qt::ClickFocus);
    setTabOrder(m_nameEdit, m_keyEdit);
    setTabOrder(m_keyEdit, m_confirmEdit);
    setTabOrder(m_confirmEdit, m_ok);
    setTabOrder(m_ok, m_cancel);
}

void CKeyDlg::SetKeyName(const QString& name)
{
    m_nameEdit->setText(name);
}

QString CKeyDlg::KeyName() const
{
    return m_nameEdit->text();
}

void CKeyDlg::accept()
{
    if (m_keyEdit->text().isEmpty()) {
        m_prompt->setText(tr("Enter a valid key, or click cancel!"));
        m_keyEdit->setFocus();
        return;
    }
    if (m_mode == Mode::Create && m_keyEdit->text() != m_confirmEdit->text()) {
        Prompts().Plain(this, tr("The keys you entered are different!"));
        m_keyEdit->setFocus();
        return;
    }
    QDialog::accept();
}

void CKeyDlg::done(int result)
{
    m_key.Wipe();
    if (result == Accepted)
        m_key = ReadSecret(*m_keyEdit);
    WipeEdit(*m_keyEdit);
    WipeEdit(*m_confirmEdit);
    QDialog::done(result);
}

} // namespace qb
