#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace qb {
namespace {

void Install(QCoreApplication& app, const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(), name, QStringLiteral("_"), folder))
        return;
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator.release());
}

} // namespace

void InstallTranslations(QCoreApplication& app)
{
    Install(app, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    Install(app, QStringLiteral("quillbox"), QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
}

} // namespace qb
