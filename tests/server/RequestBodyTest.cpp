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
    const char* bad[] = {
        "",                                       // nothing
        "DIR=&ID=t&FROM=a&TO=b",                  // wrong order
        "ID=t&DIR=&TO=b",                         // a field missing
        "ID=t&DIR=&FROM=a&TO=b&TO=c",             // a value holding a marker
        "ID=t&DIR=/x&FROM=&DIR=y&FROM=a&TO=b",    // an earlier marker inside a value
    };
    for (const char* body : bad)
        EXPECT_NE(SplitBody(*rename, body).error, "") << body;
    EXPECT_EQ(FindScript("qbnothing.pl"), nullptr);
}

TEST(Names, RulesForNamesAndPaths)
{
    for (const char* good : {"a", "notes.rtf", "A & B = C + 100%", "\xD0\x97\xD0\xB0\xD0\xBC", ".hidden", "..."})
        EXPECT_EQ(NameProblem(good), "") << good;
    for (std::string bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                            std::string("a|b"), std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3),
                            std::string(256, 'x')})
        EXPECT_NE(NameProblem(bad), "") << bad;

    EXPECT_EQ(SplitPath("")->size(), 0u);
    EXPECT_EQ(*SplitPath("/A/B c"), (std::vector<std::string>{"A", "B c"}));
    for (const char* bad : {"A", "/", "/A/", "//A", "/A//B", "/../x", "/A/./B", "/A/.."})
        EXPECT_FALSE(SplitPath(bad)) << bad;

    EXPECT_EQ(*SplitNameList("a\nb c\n"), (std::vector<std::string>{"a", "b c"}));
    for (const char* bad : {"", "a", "a\n\nb\n", "\n"})
        EXPECT_FALSE(SplitNameList(bad)) << bad;
    EXPECT_EQ(NameKey("ReadMe.RTF"), "readme.rtf");
}
