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

bool CMessageBoxPrompts::AskQuestion(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No); // an Enter pressed by habit deletes nothing
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
