#pragma once
// The client's side of the name rule (names/NameRule.h): why a name the user typed cannot
// be sent, in the server's words, translated.

#include <QString>

namespace qb {

// "" when the name keeps the rule, else the sentence that says why not (e.g. "A name
// cannot contain "&LIST=".").
QString NameRefusal(const QString& name);

} // namespace qb
