#include "WidgetShell.h"

#include "ui/Translations.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    qb::InstallTranslations(application);
    // Theme icons where the desktop has them; the program's own drawn icons otherwise.
    QIcon::setFallbackSearchPaths(QIcon::fallbackSearchPaths() << QStringLiteral("/usr/share/icons"));
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    qb::CClientApp app;
    qb::CWidgetShell shell(app);
    app.InitInstance(shell);
    return app.ExitInstance();
}
