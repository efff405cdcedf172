#include "NameCases.h"

#include "server/Names.h"
#include "server/RequestBody.h"

#include <gtest/gtest.h>

#include <map>

using namespace qb::server;
using qb::testing::NameCases;

TEST(RequestBody, ValuesRunToTheNextExpectedMarker)
{
    const Script* rename = FindScript("qbrename.pl");
    ASSERT_TRUE(rename);
    const auto parsed = SplitBody(*rename, "ID=tok&DIR=/A & B=c&FROM=x+y%20.rtf&TO=a=b&c");
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.values.at("ID"), "tok");
    EXPECT_EQ(parsed.values.at("DIR"), "/A & B=c");
    EXPECT_EQ(parsed.values.at("FROM"), "x+y%20.rtf");
    EXPECT_EQ(parsed.values.at("TO"), "a=b&c");
}

TEST(RequestBody, MalformedBodiesAreRefused)
{
    const Script* rename = FindScript("qbrename.pl");
    const struct {
        const char* body;
        const char* error;
    } bad[] = {
        {"", "The request does not begin with its session field."},                      // nothing
        {"DIR=&ID=t&FROM=a&TO=b", "The request does not begin with its session field."}, // wrong order
        {"ID=t&DIR=&TO=b", "The request has no field FROM."},                            // a field missing
        {"ID=t&TO=x&DIR=&FROM=a", "The request has no field TO."}, // found from the end, but not after FROM
    };
    for (const auto& row : bad)
        EXPECT_EQ(SplitBody(*rename, row.body).error, row.error) << row.body;
    EXPECT_EQ(FindScript("qbnothing.pl"), nullptr);
}

TEST(RequestBody, AnOldNameHoldingAMarkerSplitsWhole)
{
    const struct {
        const char* script;
        const char* body;
        std::map<std::string, std::string> values;
    } rows[] = {
        // The last field takes the rest: a name list may hold any marker.
        {"qbdelete.pl", "ID=t&DIR=/x&LIST=Old&LIST=stuff\n", {{"ID", "t"}, {"DIR", "/x"}, {"LIST", "Old&LIST=stuff\n"}}},
        {"qbmove.pl", "ID=t&DIR=&FROMDIR=/x&FILELIST=a&DIR=b\n",
         {{"ID", "t"}, {"DIR", ""}, {"FROMDIR", "/x"}, {"FILELIST", "a&DIR=b\n"}}},
        // A new name never holds "&TO=": the old one may.
        {"qbrename.pl", "ID=t&DIR=&FROM=Old&TO=x&TO=New", {{"ID", "t"}, {"DIR", ""}, {"FROM", "Old&TO=x"}, {"TO", "New"}}},
        // A lock identity never holds "&LOCK=", nor note text "&DATA=".
        {"qbopen.pl", "ID=t&FILE=/a&LOCK=b&LOCK=PC", {{"ID", "t"}, {"FILE", "/a&LOCK=b"}, {"LOCK", "PC"}}},
        {"qbsave.pl", "ID=t&DIR=&FILE=a&DATA=b&LOCK=0&DATA=QUJD=",
         {{"ID", "t"}, {"DIR", ""}, {"FILE", "a&DATA=b"}, {"LOCK", "0"}, {"DATA", "QUJD="}}},
    };
    for (const auto& row : rows) {
        const auto parsed = SplitBody(*FindScript(row.script), row.body);
        EXPECT_EQ(parsed.error, "") << row.body;
        const std::map<std::string, std::string> values(parsed.values.begin(), parsed.values.end());
        EXPECT_EQ(values, row.values) << row.body;
    }
}

TEST(Names, RulesForNamesAndPaths)
{
    for (const auto& row : NameCases())
        EXPECT_EQ(NameProblem(row.name), row.sentence) << row.name;

    EXPECT_EQ(SplitPath("")->size(), 0u);
    EXPECT_EQ(*SplitPath("/A/B c"), (std::vector<std::string>{"A", "B c"}));
    // Only the form: a segment may be the name of an entry stored before the rule.
    EXPECT_EQ(*SplitPath("/tab\there/Old&LIST=x/a|b"), (std::vector<std::string>{"tab\there", "Old&LIST=x", "a|b"}));
    for (const char* bad : {"A", "/", "/A/", "//A", "/A//B", "/../x", "/A/./B", "/A/.."})
        EXPECT_FALSE(SplitPath(bad)) << bad;
    // Paths are bounded before they are split.
    std::string longest;
    while (longest.size() < kMaxPathBytes)
        longest += "/a";
    EXPECT_EQ(SplitPath(longest)->size(), kMaxPathBytes / 2);
    EXPECT_FALSE(SplitPath(longest + "b"));

    EXPECT_EQ(*SplitNameList("a\nb c\n"), (std::vector<std::string>{"a", "b c"}));
    for (const char* bad : {"", "a", "a\n\nb\n", "\n"})
        EXPECT_FALSE(SplitNameList(bad)) << bad;
    std::string most;
    for (std::size_t i = 0; i < kMaxListNames; ++i)
        most += "n\n";
    EXPECT_FALSE(TooManyNames(most));
    EXPECT_EQ(SplitNameList(most)->size(), kMaxListNames);
    EXPECT_TRUE(TooManyNames(most + "n\n"));
    EXPECT_FALSE(SplitNameList(most + "n\n"));
    EXPECT_EQ(NameKey("ReadMe.RTF"), "readme.rtf");
}
