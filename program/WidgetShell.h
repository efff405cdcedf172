#pragma once
// The desktop program's side of start-up: message boxes and the explorer as main window.

#include "app/ClientApp.h"

#include <QPointer>

namespace qb {

class CExplorerDlg;

class CWidgetShell : public IAppShell {
public:
    explicit CWidgetShell(CClientApp& app) : m_app(app) {}
    void ShowNotice(const std::string& text) override;
    void RunMainWindow() override;
    void RaiseMainWindow() override;

private:
    CClientApp& m_app;
    QPointer<CExplorerDlg> m_explorer;
};

} // namespace qb
