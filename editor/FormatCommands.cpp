#include "editor/FormatCommands.h"

#include "editor/FormatIcons.h"

#include <QCoreApplication>

namespace qb::fmt {
namespace {

struct BarCommand {
    int id;
    const char* toolTip;
    FormatIcon icon;
    bool checkable;
};

// Tooltips are marked here and translated where they are shown.
constexpr BarCommand kCommands[] = {
    {kSave, QT_TRANSLATE_NOOP("FormatCommands", "Save in Quillbox"), FormatIcon::Save, false},
    {kPrint, QT_TRANSLATE_NOOP("FormatCommands", "Print"), FormatIcon::Print, false},
    {kCut, QT_TRANSLATE_NOOP("FormatCommands", "Cut"), FormatIcon::Cut, false},
    {kCopy, QT_TRANSLATE_NOOP("FormatCommands", "Copy"), FormatIcon::Copy, false},
    {kPaste, QT_TRANSLATE_NOOP("FormatCommands", "Paste"), FormatIcon::Paste, false},
    {kBold, QT_TRANSLATE_NOOP("FormatCommands", "Bold"), FormatIcon::Bold, true},
    {kItalic, QT_TRANSLATE_NOOP("FormatCommands", "Italic"), FormatIcon::Italic, true},
    {kUnderline, QT_TRANSLATE_NOOP("FormatCommands", "Underline"), FormatIcon::Underline, true},
    {kAlignLeft, QT_TRANSLATE_NOOP("FormatCommands", "Align Left"), FormatIcon::AlignLeft, true},
    {kAlignCenter, QT_TRANSLATE_NOOP("FormatCommands", "Align Center"), FormatIcon::AlignCenter, true},
    {kAlignRight, QT_TRANSLATE_NOOP("FormatCommands", "Align Right"), FormatIcon::AlignRight, true},
    {kBullet, QT_TRANSLATE_NOOP("FormatCommands", "Bullet"), FormatIcon::Bullet, true},
};

const BarCommand* Find(int id)
{
    for (const auto& command : kCommands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

} // namespace

bool IsCheckable(int id)
{
    const BarCommand* command = Find(id);
    return command && command->checkable;
}

QString ToolTipText(int id)
{
    const BarCommand* command = Find(id);
    return command ? QCoreApplication::translate("FormatCommands", command->toolTip) : QString();
}

QIcon ToolbarIcon(int id)
{
    const BarCommand* command = Find(id);
    return command ? IconFor(command->icon) : QIcon();
}

} // namespace qb::fmt
