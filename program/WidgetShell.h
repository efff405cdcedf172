#pragma once
// The desktop program's side of start-up: message boxes and the main window.

#include "app/ClientApp.h"

namespace qb {

class CWidgetShell : public IAppShell {
public:
    void ShowNotice(const std::string& text) override;
    void RunMainWindow() override;
    void RaiseMainWindow() override;
};

} // namespace qb
