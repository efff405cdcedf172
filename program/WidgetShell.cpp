#include "WidgetShell.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace qb {

void CWidgetShell::ShowNotice(const std::string& text)
{
    QMessageBox::information(nullptr, QStringLiteral("Quillbox"), QString::fromStdString(text));
}

void CWidgetShell::RunMainWindow()
{
    // The explorer window arrives with its own work; until then start-up ends here.
}

void CWidgetShell::RaiseMainWindow()
{
    if (QWidget* window = QApplication::activeWindow()) {
        window->showNormal();
        window->raise();
        window->activateWindow();
    }
}

} // namespace qb
