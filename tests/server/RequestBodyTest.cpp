#include "server/Names.h"
#include "server/RequestBody.h"

#include <gtest/gtest.h>

using namespace qb::server;

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
        {"ID=t&DIR=&FROM=a&TO=b&TO=c", "A name or value cannot contain \"&TO=\"."},     // a value holding a marker
        {"ID=t&DIR=/x&FROM=&DIR=y&FROM=a&TO=b", // an earlier marker inside a value
         "A name or value cannot contain \"&DIR=\"."},
    };
    for (const auto& row : bad)
        EXPECT_EQ(SplitBody(*rename, row.body).error, row.error) << row.body;
    EXPECT_EQ(FindScript("qbnothing.pl"), nullptr);
}

TEST(Names, RulesForNamesAndPaths)
{
    for (const char* good : {"a", "notes.rtf", "A & B = C + 100%", "\xD0\x97\xD0\xB0\xD0\xBC", ".hidden", "..."})
        EXPECT_EQ(NameProblem(good), "") << good;
    const std::string kReserved = "The names \".\" and \"..\" are reserved.";
    const std::string kCharacters = "A name cannot contain \"/\", \"|\", line breaks or NUL characters.";
    const struct {
        std::string name;
        std::string problem;
    } bad[] = {
        {"", "A name cannot be empty."},
        {".", kReserved},
        {"..", kReserved},
        {"a/b", kCharacters},
        {"a|b", kCharacters},
        {"a\nb", kCharacters},
        {"a\rb", kCharacters},
        {std::string("a\0b", 3), kCharacters},
        {std::string(256, 'x'), "The name is too long (at most 255 bytes)."},
    };
    for (const auto& row : bad)
        EXPECT_EQ(NameProblem(row.name), row.problem) << row.name;

    EXPECT_EQ(SplitPath("")->size(), 0u);
    EXPECT_EQ(*SplitPath("/A/B c"), (std::vector<std::string>{"A", "B c"}));
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
