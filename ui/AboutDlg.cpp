#include "ui/AboutDlg.h"

#include "ui/Icons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace qb {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About %1...").arg(QLatin1String(kProgramName)));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));

    auto* name = new QLabel(QStringLiteral("%1 %2").arg(QLatin1String(kProgramName), QLatin1String(kProgramVersion)), this);
    name->setObjectName(QStringLiteral("nameText"));
    name->setTextFormat(Qt::PlainText);
    name->setFont(QFont(QStringLiteral("Arial"), 14));
    name->setStyleSheet(QStringLiteral("color: rgb(51, 34, 255);"));

    auto* slogan = new QLabel(tr("Put Your Notes/Docs Here And Access Them from Everywhere!"), this);
    slogan->setObjectName(QStringLiteral("sloganText"));
    QFont bold(QStringLiteral("Arial"), 10);
    bold.setBold(true);
    slogan->setFont(bold);
    slogan->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* notice = new QLabel(tr("Copyright (C) 2026 The Quillbox developers"), this);
    auto* web = new QLabel(tr("Your notes, on your own server"), this);
    notice->setAlignment(Qt::AlignCenter);
    web->setAlignment(Qt::AlignCenter);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0);
    layout->addWidget(name, 0, 1);
    layout->addWidget(slogan, 1, 0, 1, 2);
    layout->addWidget(ok, 2, 0, 1, 2, Qt::AlignCenter);
    layout->addWidget(notice, 3, 0, 1, 2);
    layout->addWidget(web, 4, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace qb
