#include "ExplorerCommands.h"

namespace qb::cmd {

QString ToolTipText(int id)
{
    switch (id) {
    case kNewFile: return QStringLiteral("Create a New Note File");
    case kNewFolder: return QStringLiteral("Create a New Folder");
    case kBack: return QStringLiteral("Go Back");
    case kForward: return QStringLiteral("Go Forward");
    case kUp: return QStringLiteral("Go Up");
    case kHome: return QStringLiteral("Go Home");
    default: return {};
    }
}

} // namespace qb::cmd
