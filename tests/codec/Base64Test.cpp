#include "codec/Base64.h"

#include <gtest/gtest.h>

using namespace qb;

namespace {

Bytes Of(std::initializer_list<int> values)
{
    Bytes bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

} // namespace

TEST(Base64, WorkedValuesEncodeAndDecode)
{
    const struct {
        Bytes input;
        const char* text;
    } rows[] = {
        {{}, "="},
        {Of({'a'}), "YQ==="},
        {Of({'a', 'b'}), "YWI=="},
        {Of({'a', 'b', 'c'}), "YWJj="},
        {Of({0xFB, 0xFF}), "_-8=="},
        {Of({0xFB, 0xEF, 0xBE}), "____="},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(EncodeBase64(row.input), row.text);
        EXPECT_EQ(DecodeBase64(row.text), row.input) << row.text;
    }
}

TEST(Base64, LineBreaksAfterEveryCompleteRun)
{
    EXPECT_EQ(EncodeBase64({}, 1), "=\n");

    const std::string text = EncodeBase64(Bytes(52, 0), 72);
    ASSERT_EQ(text.size(), 74u);
    EXPECT_EQ(text.substr(0, 70), std::string(70, 'A'));
    EXPECT_EQ(text.substr(70), "==\n=");

    // 3 bytes give T = 5: an exact multiple of 5 ends in LF.
    EXPECT_EQ(EncodeBase64(Of({'a', 'b', 'c'}), 5), "YWJj=\n");
    EXPECT_EQ(EncodeBase64(Of({'a', 'b', 'c'}), 2), "YW\nJj\n=");
}

TEST(Base64, DecodingIgnoresLineBreaksAndForeignCharacters)
{
    Bytes data;
    for (int i = 0; i < 1000; ++i)
        data.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    const std::string broken = EncodeBase64(data, 72);
    std::string crlf;
    for (char c : broken)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(DecodeBase64(broken), data);
    EXPECT_EQ(DecodeBase64(EncodeBase64(data)), data);
    EXPECT_EQ(DecodeBase64(crlf), data);

    // "{", ":", blanks and high bytes are skipped, never looked up as negative indexes.
    EXPECT_EQ(DecodeBase64("Y{Q: \x80\xFF==="), Of({'a'}));
}

TEST(Base64, DecodingStopsAtFirstPadOrNul)
{
    EXPECT_EQ(DecodeBase64("YQ===YWJj"), Of({'a'}));
    EXPECT_EQ(DecodeBase64(std::string_view("YQ\0YWJj", 7)), Of({'a'}));
    EXPECT_TRUE(DecodeBase64("=").empty());
    EXPECT_TRUE(DecodeBase64("").empty());
}

TEST(Base64, LeftoverSextetsAndStandardAlphabet)
{
    EXPECT_EQ(DecodeBase64("YWJjZ"), Of({'a', 'b', 'c'})); // single leftover value lost
    EXPECT_EQ(DecodeBase64("_-"), Of({0xFB}));             // "_" is 62, "-" is 63
    EXPECT_EQ(DecodeBase64("-_"), Of({0xFF}));
    EXPECT_EQ(DecodeBase64("+/+/"), Bytes{});              // "+" and "/" are skipped
    EXPECT_EQ(DecodeBase64("a+b/c-d_"), DecodeBase64("abc-d_"));
}
