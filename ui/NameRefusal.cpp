#include "NameRefusal.h"

#include "names/NameRule.h"

#include <QCoreApplication>

namespace qb {

QString NameRefusal(const QString& name)
{
    // Names travel as UTF-8: the rule counts and looks at those bytes.
    const QByteArray bytes = name.toUtf8();
    const names::NameCheck check = names::CheckName(std::string_view(bytes.constData(), bytes.size()));
    if (check.Ok())
        return {};
    // The source texts are the rule's own sentences, so an untranslated refusal reads
    // exactly as the server's.
    const QString sentence = QCoreApplication::translate("qb::NameRule", names::NameRuleSentence(check.fault));
    return check.found.empty() ? sentence
                               : sentence.arg(QString::fromUtf8(check.found.data(), static_cast<qsizetype>(check.found.size())));
}

} // namespace qb
