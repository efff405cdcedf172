#pragma once
// The user's language, when translations for it are installed: Qt's own (dialog buttons)
// from Qt's folder, the program's from "translations" beside the program. Without them
// every text stays English.

class QCoreApplication;

namespace qb {

void InstallTranslations(QCoreApplication& app);

} // namespace qb
