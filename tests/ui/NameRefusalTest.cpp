#include "NameCases.h"
#include "PseudoTranslator.h"

#include "ui/NameRefusal.h"

#include <gtest/gtest.h>

using namespace qb;

namespace {
QString Utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

// The same table the server's tests use: the client refuses what the server would, in
// the same words.
TEST(NameRefusal, TheClientKeepsTheServersRule)
{
    for (const auto& row : qb::testing::NameCases())
        EXPECT_EQ(NameRefusal(Utf8(row.name)).toStdString(), row.sentence) << row.name;
}

TEST(NameRefusal, TheSentenceIsTranslatedAndTheMarkerIsNot)
{
    qb::testing::PseudoTranslator pseudo;
    EXPECT_EQ(NameRefusal(QStringLiteral("Old&LIST=stuff")), QStringLiteral("[A name cannot contain \"&LIST=\".]"));
    EXPECT_EQ(NameRefusal(QStringLiteral("a\tb")), QStringLiteral("[A name cannot contain control characters such as tab.]"));
    EXPECT_EQ(NameRefusal(QStringLiteral("Plan.rtf")), QString());
}
