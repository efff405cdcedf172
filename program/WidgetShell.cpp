#include "WidgetShell.h"

#include "explorer/ExplorerDlg.h"
#include "ui/UserPrompts.h"

#include <QApplication>

namespace qb {

void CWidgetShell::ShowNotice(const std::string& text)
{
    Prompts().Information(nullptr, QString::fromStdString(text));
}

void CWidgetShell::RunMainWindow()
{
    CExplorerDlg explorer(m_app);
    m_explorer = &explorer;
    // A failed first listing was reported by the list; the program then ends.
    if (explorer.Init())
        explorer.exec();
    m_explorer = nullptr;
}

void CWidgetShell::RaiseMainWindow()
{
    if (m_explorer) {
        m_explorer->showNormal();
        m_explorer->raise();
        m_explorer->activateWindow();
    }
}

} // namespace qb
