#include "explorer/ExplorerCommands.h"

#include "ui/Icons.h"

#include <QCoreApplication>

namespace qb::cmd {
namespace {

struct ToolbarCommand {
    int id;
    const char* toolTip;
    SharedIcon icon;
};

// Tooltips are marked here and translated where they are shown.
constexpr ToolbarCommand kToolbar[] = {
    {kNewFile, QT_TRANSLATE_NOOP("ExplorerCommands", "Create a New Note File"), SharedIcon::NewNote},
    {kNewFolder, QT_TRANSLATE_NOOP("ExplorerCommands", "Create a New Folder"), SharedIcon::NewFolder},
    {kBack, QT_TRANSLATE_NOOP("ExplorerCommands", "Go Back"), SharedIcon::Back},
    {kForward, QT_TRANSLATE_NOOP("ExplorerCommands", "Go Forward"), SharedIcon::Forward},
    {kUp, QT_TRANSLATE_NOOP("ExplorerCommands", "Go Up"), SharedIcon::Up},
    {kHome, QT_TRANSLATE_NOOP("ExplorerCommands", "Go Home"), SharedIcon::Home},
};

const ToolbarCommand* Find(int id)
{
    for (const auto& command : kToolbar) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

} // namespace

QString ToolTipText(int id)
{
    const ToolbarCommand* command = Find(id);
    return command ? QCoreApplication::translate("ExplorerCommands", command->toolTip) : QString();
}

QIcon ToolbarIcon(int id)
{
    const ToolbarCommand* command = Find(id);
    return command ? IconFor(command->icon) : QIcon();
}

QList<QKeySequence> Shortcuts(int id)
{
    switch (id) {
    case kCopy: return {QKeySequence::Copy};
    case kCut: return {QKeySequence::Cut};
    case kPaste: return {QKeySequence::Paste};
    case kBack: return {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)};
    case kForward: return {QKeySequence(Qt::ALT | Qt::Key_Right)};
    case kUp: return {QKeySequence(Qt::ALT | Qt::Key_Up)};
    case kHome: return {QKeySequence(Qt::ALT | Qt::Key_Home)};
    case kRefresh: return {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)};
    default: return {};
    }
}

} // namespace qb::cmd
