#include "WidgetShell.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    qb::CClientApp app;
    qb::CWidgetShell shell;
    app.InitInstance(shell);
    return app.ExitInstance();
}
