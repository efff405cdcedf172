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

std::unique_ptr<QMessageBox> MakeInformationBox(QWidget* parent, const QString& text, bool selectable)
{
    // Text to copy stays as it is: an address with break chances in it would not work.
    auto box = std::make_unique<QMessageBox>(QMessageBox::Information, Caption(),
                                             selectable ? text : WithBreakChances(text), QMessageBox::Ok, parent);
    if (selectable)
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box;
}

QString WithBreakChances(const QString& text, int longestRun)
{
    QString out;
    out.reserve(text.size() + text.size() / longestRun);
    int run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > longestRun) {
            out += QChar(0x200B);
            run = 1;
        }
        out += c;
    }
    return out;
}

void CMessageBoxPrompts::Information(QWidget* parent, const QString& text)
{
    MakeInformationBox(parent, text)->exec();
}

void CMessageBoxPrompts::InformationToCopy(QWidget* parent, const QString& text)
{
    MakeInformationBox(parent, text, true)->exec();
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
