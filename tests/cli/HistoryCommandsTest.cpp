#include "CliServerFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

using namespace qb::testing;
using Words = std::vector<std::string>;

namespace {

// The number at the start of a versions or trash line.
std::string FirstId(const std::string& out)
{
    const auto start = out.find_first_not_of(' ');
    return out.substr(start, out.find(' ', start) - start);
}

// The "id" numbers of a --json listing, in its order.
Words JsonIds(const std::string& out)
{
    Words ids;
    const std::string key = "{\"id\":";
    for (auto at = out.find(key); at != std::string::npos; at = out.find(key, at + 1)) {
        const auto start = at + key.size();
        ids.push_back(out.substr(start, out.find(',', start) - start));
    }
    return ids;
}

// How ls and the history commands show a time: local, to the minute.
std::string LocalDate(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string Padded(const std::string& text, std::size_t width)
{
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

} // namespace

class CliHistory : public CliServerTest {
protected:
    void SetUp() override
    {
        CliServerTest::SetUp();
        m_key = KeyFile("k");
    }

    // put of a text file through the tool, as a user saves a note from the command line.
    void PutText(const std::string& remote, const std::string& text)
    {
        WriteLocal(Local("in.txt"), text);
        const CliRun put = Cli({"put", Local("in.txt").string(), remote, "--name", "k", "-k", m_key});
        ASSERT_EQ(put.status, 0) << put.err;
    }

    std::string GetText(const std::string& remote) { return Cli({"get", remote, "--text", "-k", m_key}).out; }

    std::string m_key;
};

TEST_F(CliHistory, ASavedOverNoteComesBackWithRestore)
{
    const struct {
        const char* name;
        std::string path;
    } rows[] = {
        {"at the top", "/n.rtf"},
        {"in a folder with non-Latin name", "/Ünï & co/Заметка.rtf"},
    };
    for (const auto& row : rows) {
        if (const auto slash = row.path.rfind('/'); slash > 0) {
            ASSERT_EQ(Cli({"mkdir", row.path.substr(0, slash)}).status, 0) << row.name;
        }
        PutText(row.path, "first text\n");
        const std::string first = Stored(row.path);
        PutText(row.path, "second text\n");
        const std::string second = Stored(row.path);

        const CliRun listed = Cli({"versions", row.path});
        ASSERT_EQ(listed.status, 0) << row.name << ": " << listed.err;
        const std::string id = FirstId(listed.out);
        EXPECT_EQ(listed.out, Padded(id, 8) + " " + Padded(std::to_string(first.size()), 10) + "  "
                                  + LocalDate(m_now) + "\n")
            << row.name;

        const CliRun restored = Cli({"restore", row.path, id});
        EXPECT_EQ(restored.status, 0) << row.name << ": " << restored.err;
        EXPECT_EQ(restored.out + restored.err, "") << row.name;
        EXPECT_EQ(Stored(row.path), first) << row.name << ": the version's bytes exactly";
        EXPECT_EQ(GetText(row.path), "first text\n") << row.name;
        // The text it replaced is kept in turn, newest first.
        const CliRun after = Cli({"versions", row.path});
        EXPECT_EQ(after.status, 0) << row.name << ": " << after.err;
        EXPECT_EQ(after.out, Padded(FirstId(after.out), 8) + " " + Padded(std::to_string(second.size()), 10) + "  "
                                 + LocalDate(m_now) + "\n" + listed.out)
            << row.name;
    }
}

TEST_F(CliHistory, ADeletedFolderComesBackWithUndelete)
{
    const struct {
        const char* name;
        bool nameTaken; // a new folder holds the name when the old one comes back
        std::string putBack;
    } rows[] = {
        {"its name is free", false, "/Docs"},
        {"its name is taken", true, "/Copy of Docs"},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(Cli({"mkdir", "-p", "/Docs"}).status, 0) << row.name;
        PutText("/Docs/n.rtf", "kept text\n");
        const std::string size = std::to_string(Stored("/Docs/n.rtf").size());
        m_now += 3600;
        ASSERT_EQ(Cli({"rm", "/Docs"}).status, 0) << row.name;
        ASSERT_EQ(ServerNames(""), Words{}) << row.name;

        const CliRun trash = Cli({"trash"});
        ASSERT_EQ(trash.status, 0) << row.name << ": " << trash.err;
        const std::string id = FirstId(trash.out);
        EXPECT_EQ(trash.out, Padded(id, 8) + " d " + Padded(size, 10) + "  " + LocalDate(m_now) + "  /Docs\n")
            << row.name;

        if (row.nameTaken) {
            ASSERT_EQ(Cli({"mkdir", "/Docs"}).status, 0) << row.name;
        }
        const CliRun undeleted = Cli({"undelete", id});
        EXPECT_EQ(undeleted.status, 0) << row.name << ": " << undeleted.err;
        EXPECT_EQ(undeleted.out, row.putBack + "\n") << row.name;
        const Words shown = row.nameTaken ? Words{"Copy of Docs", "Docs"} : Words{"Docs"};
        EXPECT_EQ(ServerNames(""), shown) << row.name;
        const CliRun listed = Cli({"ls"});
        EXPECT_NE(listed.out.find("  " + row.putBack.substr(1) + "\n"), std::string::npos) << row.name << ": " << listed.out;
        EXPECT_EQ(GetText(row.putBack + "/n.rtf"), "kept text\n") << row.name;
        EXPECT_EQ(Cli({"trash"}).out, "") << row.name << ": an entry put back leaves the trash";
        if (row.nameTaken) {
            ASSERT_EQ(Cli({"rm", "/Copy of Docs"}).status, 0);
        }
    }
}

TEST_F(CliHistory, VersionsAndTrashAsJson)
{
    PutText("/Q \"x\".rtf", "one\n");
    const std::string first = Stored("/Q \"x\".rtf");
    PutText("/Q \"x\".rtf", "two\n");
    const std::string second = Stored("/Q \"x\".rtf");
    const std::string version = FirstId(Cli({"versions", "/Q \"x\".rtf"}).out);
    EXPECT_EQ(Cli({"versions", "/Q \"x\".rtf", "--json"}).out,
              "[{\"id\":" + version + ",\"size\":" + std::to_string(first.size()) + ",\"saved\":1700000000}]\n");

    ASSERT_EQ(Cli({"mkdir", "/F"}).status, 0);
    m_now += 60;
    ASSERT_EQ(Cli({"rm", "/Q \"x\".rtf"}).status, 0);
    m_now += 60;
    ASSERT_EQ(Cli({"rm", "/F"}).status, 0);
    const CliRun trash = Cli({"trash", "--json"});
    EXPECT_EQ(trash.status, 0) << trash.err;
    const Words ids = JsonIds(trash.out);
    ASSERT_EQ(ids.size(), 2u) << trash.out;
    const std::string& folder = ids[0];
    const std::string& note = ids[1];
    EXPECT_EQ(trash.out, "[{\"id\":" + folder + ",\"folder\":true,\"size\":0,\"deleted\":1700000120,\"path\":\"/F\"},\n"
                         " {\"id\":" + note + ",\"folder\":false,\"size\":" + std::to_string(second.size())
                         + ",\"deleted\":1700000060,\"path\":\"/Q \\\"x\\\".rtf\"}]\n");
}

TEST_F(CliHistory, FailuresAreOneLine)
{
    PutText("/n.rtf", "one\n");
    PutText("/n.rtf", "two\n");
    const std::string version = FirstId(Cli({"versions", "/n.rtf"}).out);
    const struct {
        Words command;
        int status;
        std::string err;
    } rows[] = {
        {{"restore", "/n.rtf", "99999"}, 1, "quillbox-cli: /n.rtf: ERROR: The version does not exist. Nothing was restored.\n"},
        {{"restore", "/gone.rtf", version}, 1, "quillbox-cli: /gone.rtf: ERROR: The note does not exist. /gone.rtf\n"},
        {{"versions", "/gone.rtf"}, 1, "quillbox-cli: /gone.rtf: ERROR: The note does not exist. /gone.rtf\n"},
        {{"undelete", "99999"}, 1, "quillbox-cli: 99999: ERROR: The entry is not in the trash.\n"},
        {{"restore", "/n.rtf", "abc"}, 2,
         "quillbox-cli: abc is not a version number (quillbox-cli versions PATH lists them)\n"},
        {{"restore", "/n.rtf", "-3"}, 2, "quillbox-cli: restore has no option -3 (usage: quillbox-cli restore PATH VERSION)\n"},
        {{"undelete", "1", "x1"}, 2, "quillbox-cli: x1 is not a trash entry number (quillbox-cli trash lists them)\n"},
        {{"restore", "/n.rtf"}, 2, "quillbox-cli: usage: quillbox-cli restore PATH VERSION\n"},
        {{"versions"}, 2, "quillbox-cli: usage: quillbox-cli versions PATH [--json]   (id, size, date saved)\n"},
        {{"trash", "/x"}, 2,
         "quillbox-cli: usage: quillbox-cli trash [--json]   (id, kind, size, date deleted, where it was)\n"},
        {{"undelete"}, 2, "quillbox-cli: usage: quillbox-cli undelete ENTRY...   (prints where each was put back)\n"},
        {{"restore", "/n.rtf", "1", "--json"}, 2,
         "quillbox-cli: restore has no option --json (usage: quillbox-cli restore PATH VERSION)\n"},
    };
    const std::string before = Stored("/n.rtf");
    for (const auto& row : rows) {
        const CliRun run = Cli(row.command);
        EXPECT_EQ(run.status, row.status) << row.command.front() << " " << row.command.back();
        EXPECT_EQ(run.err, row.err) << row.command.front() << " " << row.command.back();
        EXPECT_EQ(run.out, "") << row.command.front() << " " << row.command.back();
    }
    EXPECT_EQ(Stored("/n.rtf"), before) << "no failed restore changes the note";

    // A note open exclusively on another computer keeps its text.
    ASSERT_EQ(Open("/n.rtf", "another").substr(0, 3), "OK ");
    const CliRun locked = Cli({"restore", "/n.rtf", version});
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.err, "quillbox-cli: /n.rtf: ERROR: This note is open exclusively on another computer. "
                          "Nothing was restored.\n");
    EXPECT_EQ(Stored("/n.rtf"), before);
}
