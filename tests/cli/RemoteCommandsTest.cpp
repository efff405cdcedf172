#include "CliServerFixture.h"

#include "codec/Note.h"

#include <gtest/gtest.h>

using namespace qb::testing;
using Words = std::vector<std::string>;

namespace {

// The names ls prints, in its order.
Words LsNames(const std::string& out)
{
    Words names;
    std::size_t start = 0;
    while (start < out.size()) {
        const auto end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        names.push_back(line.substr(32)); // after kind, size and date
        start = end + 1;
    }
    return names;
}

} // namespace

using CliRemote = CliServerTest;

TEST_F(CliRemote, PutThenGetGivesBackTheText)
{
    const std::string key = KeyFile("s3cret");
    const struct {
        const char* name;
        const char* file;
        std::string content;
        std::string text; // what get --text prints
    } rows[] = {
        {"plain text", "plain.txt", "one line\nsecond line\n", "one line\nsecond line\n"},
        {"Windows line ends", "crlf.txt", "first\r\nsecond\r\n", "first\nsecond\n"},
        {"non-Latin text", "mixed.txt", "Grüße, Ελληνικά, 日本語のノート\n", "Grüße, Ελληνικά, 日本語のノート\n"},
        {"RTF", "note.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 rich rich rich \\b bold\\b0\\par}",
         "rich rich rich bold\n\n"}, // the closing \par ends a paragraph: an empty one follows
    };
    for (const auto& row : rows) {
        WriteLocal(Local(row.file), row.content);
        const std::string remote = std::string("/") + row.file + ".rtf";
        const CliRun put = Cli({"put", Local(row.file).string(), remote, "--name", "home", "-k", key});
        ASSERT_EQ(put.status, 0) << row.name << ": " << put.err;
        EXPECT_EQ(put.out + put.err, "") << row.name;

        const CliRun text = Cli({"get", remote, "--text", "-k", key});
        EXPECT_EQ(text.status, 0) << row.name << ": " << text.err;
        EXPECT_EQ(text.out, row.text) << row.name;

        const CliRun raw = Cli({"get", remote, "--raw"});
        EXPECT_EQ(raw.out, Stored(remote)) << row.name;
        const auto note = qb::ReadNote(raw.out);
        ASSERT_TRUE(note) << row.name << ": the server holds no envelope";
        EXPECT_EQ(note->keyName, "home") << row.name;
    }
    // RTF goes in and comes out as the same bytes.
    EXPECT_EQ(Cli({"get", "/note.rtf.rtf", "-k", key}).out, rows[3].content);
}

TEST_F(CliRemote, LsMatchesTheServerAfterEachChange)
{
    const std::string key = KeyFile("k");
    WriteLocal(Local("n.txt"), "note note note note\n");
    ASSERT_EQ(Cli({"put", Local("n.txt").string(), "/a.rtf", "--name", "k", "-k", key}).status, 0);
    const struct {
        Words command;
        std::string dir;
        Words names; // what ls shows afterwards, as the server lists it
    } steps[] = {
        {{"mkdir", "Docs"}, "", {"Docs", "a.rtf"}},
        {{"mkdir", "-p", "/Docs/2007/May"}, "/Docs/2007", {"May"}},
        {{"cp", "/a.rtf", "/Docs"}, "/Docs", {"2007", "a.rtf"}},
        {{"cp", "/a.rtf", "/b.rtf"}, "", {"Docs", "a.rtf", "b.rtf"}},
        {{"cp", "/Docs", "/Copied"}, "/Copied", {"2007", "a.rtf"}},
        {{"mv", "/b.rtf", "/c.rtf"}, "", {"Copied", "Docs", "a.rtf", "c.rtf"}},
        {{"mv", "/a.rtf", "/c.rtf", "/Docs/2007"}, "/Docs/2007", {"May", "a.rtf", "c.rtf"}},
        {{"mv", "/Docs/a.rtf", "/Moved.rtf"}, "", {"Copied", "Docs", "Moved.rtf"}},
        {{"rm", "/Docs/2007/a.rtf", "/Docs/2007/May"}, "/Docs/2007", {"c.rtf"}},
        {{"rm", "/Moved.rtf", "/Copied"}, "", {"Docs"}},
    };
    for (const auto& step : steps) {
        const CliRun changed = Cli(step.command);
        ASSERT_EQ(changed.status, 0) << step.command.front() << " " << step.command.back() << ": " << changed.err;
        const CliRun listed = Cli({"ls", step.dir});
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(LsNames(listed.out), step.names) << step.command.front() << " " << step.command.back();
        EXPECT_EQ(LsNames(listed.out), ServerNames(step.dir)) << step.command.front() << " " << step.command.back();
    }
}

TEST_F(CliRemote, LsLongFormAndJson)
{
    SeedRtf("/n.rtf", DocumentRtf("listed listed listed", false), "k", "k");
    ASSERT_EQ(Cli({"mkdir", "/Ünïcode \"q\""}).status, 0);
    const std::string size = std::to_string(Stored("/n.rtf").size());
    const CliRun json = Cli({"ls", "--json"});
    EXPECT_EQ(json.out, "[{\"name\":\"Ünïcode \\\"q\\\"\",\"folder\":true,\"size\":0,\"modified\":1700000000},\n"
                        " {\"name\":\"n.rtf\",\"folder\":false,\"size\":" + size + ",\"modified\":1700000000}]\n");
    const CliRun longForm = Cli({"ls", "/n.rtf"});
    EXPECT_EQ(longForm.out.substr(0, 12), "- " + std::string(10 - size.size(), ' ') + size);
    EXPECT_TRUE(longForm.out.ends_with("  n.rtf\n")) << longForm.out;
}

TEST_F(CliRemote, GetWithAWrongKeyFailsAndWritesNothing)
{
    SeedRtf("/secret.rtf", DocumentRtf("secret secret secret", false), "right", "home");
    const auto out = Local("got.rtf");
    const CliRun got = Cli({"get", "/secret.rtf", "-k", KeyFile("wrong"), "-o", out.string()});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(got.err, "quillbox-cli: /secret.rtf: wrong key for this note, or its encrypted body is damaged "
                       "(its key is named \"home\")\n");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(Local(".got.rtf.qbpart")));
}

TEST_F(CliRemote, LockAndUnlockAsThisComputer)
{
    SeedRtf("/n.rtf", DocumentRtf("locked locked locked", false), "k", "k");
    ASSERT_EQ(Cli({"lock", "/n.rtf"}).status, 0);
    EXPECT_EQ(Open("/n.rtf", "another").substr(0, 6), "ERROR:") << "another computer must not get the lock";
    ASSERT_EQ(Cli({"unlock", "/n.rtf"}).status, 0);
    EXPECT_EQ(Open("/n.rtf", "another").substr(0, 3), "OK ");
}

TEST_F(CliRemote, FailuresAreOneLineAndNameTheItem)
{
    SeedRtf("/n.rtf", DocumentRtf("here here here", false), "k", "k");
    const struct {
        Words command;
        int status;
        std::string err;
    } rows[] = {
        {{"rm", "/n.rtf", "/gone.rtf"}, 1, "quillbox-cli: /gone.rtf: ERROR: \"gone.rtf\" does not exist. Nothing was deleted.\n"},
        {{"ls", "/nope"}, 1, "quillbox-cli: /nope: ERROR: The folder does not exist. /nope\n"},
        {{"mkdir", "/"}, 1, "quillbox-cli: / already exists\n"},
        {{"mv", "/a", "/b", "/c.rtf"}, 1, "quillbox-cli: /c.rtf is not a folder\n"},
        {{"put", "x.txt", "/x.rtf"}, 2, "quillbox-cli: put needs --name KEYNAME: notes are stored only encrypted\n"},
        {{"get"}, 2, "quillbox-cli: usage: quillbox-cli get PATH [--text | --raw] [--key-file FILE]... [-o OUT]\n"},
        {{"ls", "-x"}, 2, "quillbox-cli: ls has no option -x (usage: quillbox-cli ls [PATH] [--json])\n"},
        {{"frobnicate"}, 2, "quillbox-cli: unknown command frobnicate (quillbox-cli help lists them)\n"},
        {{"ls", "--server", "nohost:99999"}, 2, "quillbox-cli: the server address nohost:99999 is not [https://]HOST[:PORT]\n"},
        {{"get", "/n.rtf", "--key", "abc"}, 2,
         "quillbox-cli: keys are never taken from the command line: use --key-file or type it when asked "
         "(usage: quillbox-cli get PATH [--text | --raw] [--key-file FILE]... [-o OUT])\n"},
    };
    for (const auto& row : rows) {
        const CliRun run = Cli(row.command);
        EXPECT_EQ(run.status, row.status) << row.command.front();
        EXPECT_EQ(run.err, row.err) << row.command.front();
    }
    EXPECT_EQ(ServerNames(""), Words{}) << "rm deletes what exists and names what does not";
}

TEST_F(CliRemote, AnUnreachableServerIsOneLine)
{
    const CliRun run = Cli({"ls", "--server", "127.0.0.1:1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quillbox-cli: /: ERROR: Cannot connect to the server.\n");
}

TEST_F(CliRemote, TheServerComesFromTheSettingsFileNamedByIni)
{
    ASSERT_EQ(Cli({"mkdir", "/FromIni"}).status, 0);
    const auto ini = Local("Quillbox.ini");
    WriteLocal(ini, "[QUILLBOX]\nServer=127.0.0.1:" + std::to_string(m_port) + "\n");
    const CliRun listed = Cli({"ls", "--ini", ini.string()});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(LsNames(listed.out), Words{"FromIni"});
    // --server wins over the settings file; nothing listens on port 1.
    const CliRun fallback = Cli({"ls", "--ini", ini.string(), "--server", "127.0.0.1:1"});
    EXPECT_EQ(fallback.status, 1) << "--server wins over the settings file";
}
