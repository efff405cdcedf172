#include "cli/Commands.h"

#include "codec/SessionToken.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qb;

namespace {
const std::string kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello hello hello hello \\b world\\b0\\par}";
}

// Hands out the given key and records the prompt it was asked with.
struct FakeKeys {
    std::string key;
    std::vector<std::string> prompts;
    cli::KeySource Source()
    {
        return [this](const std::string& prompt, std::string&) {
            prompts.push_back(prompt);
            return std::optional<SecretText>(SecretText(key));
        };
    }
};

TEST(CliCommands, WrapThenUnwrapAsksForTheKeyByName)
{
    FakeKeys keys{"s3cret", {}};
    const auto text = cli::WrapCommand(kRtf, "home", keys.Source());
    ASSERT_TRUE(text) << text.error();
    const auto back = cli::UnwrapCommand(*text, keys.Source());
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, kRtf);
    EXPECT_EQ(keys.prompts, (std::vector<std::string>{"Key for \"home\": ", "Key \"home\": "}));
}

TEST(CliCommands, EachFailureIsOneClearLine)
{
    FakeKeys right{"s3cret", {}};
    const std::string text = *cli::WrapCommand(kRtf, "home", right.Source());
    FakeKeys wrong{"wrong", {}};
    FakeKeys empty{"", {}};
    const cli::KeySource noKey = [](const std::string&, std::string& error) {
        error = "no terminal to ask for the key: use --key-file";
        return std::optional<SecretText>();
    };
    const struct {
        const char* name;
        Result<std::string, std::string> result;
        std::string message;
    } rows[] = {
        {"wrong key", cli::UnwrapCommand(text, wrong.Source()),
         "wrong key for this note, or its encrypted body is damaged (its key is named \"home\")"},
        {"not a note", cli::UnwrapCommand("ERROR: File not found.", right.Source()),
         "this is not note text: it holds characters that envelope text never holds"},
        {"other Base64", cli::UnwrapCommand(std::string(80, 'A'), right.Source()),
         "this is not a Quillbox note: the text does not start with a note envelope"},
        {"cut short", cli::UnwrapCommand(text.substr(0, 30), right.Source()),
         "the note text is cut short: it ends before the note's header does"},
        {"no key to be had", cli::UnwrapCommand(text, noKey), "no terminal to ask for the key: use --key-file"},
        {"incompressible", cli::WrapCommand("xyz", "home", right.Source()),
         "the document does not compress, so it cannot be stored as a note"},
        {"empty document", cli::WrapCommand("", "home", right.Source()), "the document is empty"},
        {"empty key", cli::WrapCommand(kRtf, "home", empty.Source()), "the key is empty"},
    };
    for (const auto& row : rows) {
        ASSERT_FALSE(row.result) << row.name;
        EXPECT_EQ(row.result.error(), row.message) << row.name;
    }
    EXPECT_EQ(wrong.prompts.size(), 1u);
    EXPECT_EQ(right.prompts.size(), 3u) << "three wraps; a text that is no note asks for no key";
}

TEST(CliCommands, TokenOpensWithTheTokenCipher)
{
    const auto opened = CTokenSealer().Unseal(cli::MakeToken("alice", 12345));
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
    EXPECT_EQ(error, "this is not an RTF file");
}
