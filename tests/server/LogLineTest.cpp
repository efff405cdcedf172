#include "server/LogLine.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qb::server;

TEST(LogLine, FieldsCannotBreakOrColourALine)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"kiwi", "kiwi"},
        {"a\nb", "a\\nb"},
        {"a\r\nb\tc", "a\\r\\nb\\tc"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("nul\0end", 7), "nul\\x00end"},
        {"del\x7f", "del\\x7f"},
        {"back\\slash", "back\\\\slash"},
        {"\\n typed", "\\\\n typed"},
        {"\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8", "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8"},
        {"\xE2\x82\xAC \xF0\x9F\x93\x9D", "\xE2\x82\xAC \xF0\x9F\x93\x9D"}, // euro sign, memo: kept
        {"\xC2\x9B" "31m", "\\xc2\\x9b31m"}, // C1 control (CSI)
        {"bad\xFF\xC3", "bad\\xff\\xc3"},   // not UTF-8, cut sequence
        {"\xC0\xAF", "\\xc0\\xaf"},         // overlong
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"}, // surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapeLogField(c.in), c.out) << c.in;
    EXPECT_EQ(EscapeLogField("two words", true), "two\\x20words");
}

TEST(LogLine, AForgedAccountStaysOnItsLine)
{
    const std::time_t when = 1700000000; // 2023-11-14T22:13:20Z
    const std::string forged = "x\n2023-11-14T22:13:20Z qbsave.pl account=admin OK 0.1ms";
    const std::string line = FormatLogLine(when, {"qbsave.pl", forged, "OK", 1.25, {}});
    EXPECT_EQ(line, "2023-11-14T22:13:20Z qbsave.pl account=x\\n2023-11-14T22:13:20Z\\x20qbsave.pl\\x20account=admin"
                    "\\x20OK\\x200.1ms OK 1.2ms\n");
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);

    EXPECT_EQ(FormatLogLine(when, {"qbdir.pl", {}, "ERROR: The session is not valid.\nmore", 0.04, "disk I/O\x1b[2J"}),
              "2023-11-14T22:13:20Z qbdir.pl account=- ERROR: The session is not valid.\\nmore 0.0ms storage: "
              "disk I/O\\x1b[2J\n");
}
