#include "ui/UserPrompts.h"

#include "ui/ProgramName.h"

#include <QMessageBox>

namespace qb {
namespace {

IUserPrompts* g_prompts = nullptr;

QString Caption()
{
    return QString::fromLatin1(kProgramName);
}

} // namespace

void CMessageBoxPrompts::Information(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, Caption(), text);
}

bool CMessageBoxPrompts::AskYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void CMessageBoxPrompts::Plain(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption(), text, QMessageBox::Ok, parent);
    box.exec();
}

IUserPrompts& Prompts()
{
    static CMessageBoxPrompts real;
    return g_prompts ? *g_prompts : real;
}

void SetPrompts(IUserPrompts* prompts)
{
    g_prompts = prompts;
}

} // namespace qb
