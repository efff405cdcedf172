#include "cli/Commands.h"

#include "codec/SessionToken.h"

#include <gtest/gtest.h>

using namespace qb;

namespace {
const std::string kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello hello hello hello \\b world\\b0\\par}";
}

TEST(CliCommands, WrapThenUnwrapRestoresTheDocument)
{
    std::string error, name;
    const auto text = cli::WrapDocument(AsBytes(kRtf), "home", "s3cret", error);
    ASSERT_TRUE(text) << error;
    const auto back = cli::UnwrapDocument(*text, "s3cret", error, &name);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(AsText(*back), kRtf);
    EXPECT_EQ(name, "home");
}

TEST(CliCommands, ClearErrorsForWrongKeyDamageAndIncompressibleInput)
{
    std::string error;
    const auto text = cli::WrapDocument(AsBytes(kRtf), "home", "s3cret", error);
    ASSERT_TRUE(text);
    EXPECT_FALSE(cli::UnwrapDocument(*text, "wrong", error));
    EXPECT_NE(error.find("wrong key"), std::string::npos) << error;
    EXPECT_NE(error.find("home"), std::string::npos) << error;

    EXPECT_FALSE(cli::UnwrapDocument("not an envelope", "s3cret", error));
    EXPECT_NE(error.find("not a Quillbox envelope"), std::string::npos) << error;

    EXPECT_FALSE(cli::WrapDocument(AsBytes("xyz"), "home", "k", error));
    EXPECT_NE(error.find("does not compress"), std::string::npos) << error;
}

TEST(CliCommands, TokenOpensWithTheTokenCipher)
{
    CAesCipher cipher;
    PrepareTokenCipher(cipher);
    CBlockSealer sealer;
    sealer.SetCipher(&cipher);
    const auto opened = OpenSessionToken(sealer, cli::MakeToken("alice", 12345));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->stamp, "2345");
    EXPECT_EQ(opened->account, "alice");
    EXPECT_EQ(cli::MakeToken("", 1), "");
}

TEST(CliCommands, RtfCommandsShowWhatTheReaderSees)
{
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 one {\\b two}\\par caf\\'e9}";
    std::string out, error;
    ASSERT_TRUE(cli::RtfCommand("rtf-text", rtf, out, error)) << error;
    EXPECT_EQ(out, "one two\ncafé\n");
    ASSERT_TRUE(cli::RtfCommand("rtf-html", rtf, out, error));
    EXPECT_NE(out.find("font-weight"), std::string::npos);
    ASSERT_TRUE(cli::RtfCommand("rtf-roundtrip", rtf, out, error));
    EXPECT_EQ(out.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u);
    EXPECT_NE(out.find("\\b two"), std::string::npos);
    EXPECT_FALSE(cli::RtfCommand("rtf-text", "plain text", out, error));
    EXPECT_NE(error.find("not an RTF file"), std::string::npos);
}
