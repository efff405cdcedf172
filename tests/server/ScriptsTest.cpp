#include "ServerFixture.h"

using namespace qb::testing;

namespace {
const std::string kNote = "UExWNAAA_-abc\nDEF=";
}

TEST_F(ServerTest, FreshAccountListsEmptyTopFolder)
{
    EXPECT_EQ(List(""), "OK\n");
}

TEST_F(ServerTest, SaveOpenAndListANote)
{
    EXPECT_EQ(Save("", "First.rtf", kNote), "OK\n");
    EXPECT_EQ(Open("/First.rtf"), "OK " + std::to_string(kNote.size()) + "\n" + kNote);
    EXPECT_EQ(List(""), "OK\n0|" + std::to_string(kNote.size()) + "|1700000000|First.rtf\n");

    // A note opened from the listing saves back with its whole path and an empty DIR.
    m_now += 60;
    EXPECT_EQ(Save("", "/First.rtf", "QUJD="), "OK\n");
    EXPECT_EQ(Open("/first.RTF"), "OK 5\nQUJD=");
    EXPECT_EQ(List(""), "OK\n0|5|1700000060|First.rtf\n");
}

TEST_F(ServerTest, RawNamesTravelUnchanged)
{
    const std::string names[] = {"Tom & Jerry = 100% + more.rtf", "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8",
                                 "a=b"};
    for (const auto& name : names)
        EXPECT_EQ(Save("", name, kNote), "OK\n") << name;
    const auto listed = Names(List(""));
    for (const auto& name : names)
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
    EXPECT_EQ(Open("/" + names[0]).substr(0, 3), "OK ");
}

TEST_F(ServerTest, NoteSizedBodiesAreAccepted)
{
    std::string big;
    for (int i = 0; i < 9000; ++i)
        big += "ABCDEFGHIJ"[i % 10];
    big += "=";
    EXPECT_EQ(Save("", "big.rtf", big), "OK\n");
    EXPECT_EQ(Open("/big.rtf").size(), std::string("OK 9001\n").size() + big.size());
}

TEST_F(ServerTest, SharedAccountNoteLimit)
{
    const std::string limit(10000, 'A');
    EXPECT_EQ(Save("", "max.rtf", limit), "OK\n");
    EXPECT_EQ(Save("", "over.rtf", limit + "A"),
              "ERROR: The shared account keeps notes of at most 10000 bytes. Nothing was saved.\n");
    EXPECT_EQ(Save("", "other.rtf", limit + "A", "0", "alice"), "OK\n"); // other accounts: larger limit
    EXPECT_EQ(Save("", "huge.rtf", std::string(4 * 1024 * 1024 + 1, 'A'), "0", "alice"),
              "ERROR: The note is too large to be saved.\n");
}

TEST_F(ServerTest, SavesWithBadShapeAreRefused)
{
    const std::string kBadText = "ERROR: The note text is not valid. Nothing was saved.\n";
    const std::string kBadLock = "ERROR: The request is not in the expected form.\n"
                                 "The lock part must end with 0 or &UNLOCK=1.\n";
    const struct {
        const char* dir;
        const char* file;
        const char* data;
        const char* lock;
        std::string reply;
    } rows[] = {
        {"", "n.rtf", "", "0", kBadText},        // empty data
        {"", "n.rtf", "abc$def", "0", kBadText}, // not transport text
        {"", "n.rtf", "abc", "", kBadLock},      // no "0" or "&UNLOCK=1" marker
        {"", "n.rtf", "abc", "me1", kBadLock},   // lock part ends in neither
        {"/A", "/n.rtf", "abc", "0", "ERROR: A name cannot contain \"/\". Nothing was saved.\n"}, // FILE with a DIR is a name
        {"", "A/n.rtf", "abc", "0", "ERROR: A name cannot contain \"/\". Nothing was saved.\n"}, // and so is one without "/" first
        {"/Missing", "n.rtf", "abc", "0", "ERROR: The folder does not exist. Nothing was saved.\n/Missing\n"},
        {"", "", "abc", "0", "ERROR: A name cannot be empty. Nothing was saved.\n"},
        {"", "a|b", "abc", "0", "ERROR: A name cannot contain \"|\". Nothing was saved.\n"},
        {"", "..", "abc", "0", "ERROR: A name cannot be \".\" or \"..\". Nothing was saved.\n"},
        {"/..", "x", "abc", "0", "ERROR: The folder path is not valid.\n/..\n"}, // traversal
        {"", "/../x", "abc", "0", "ERROR: The note path is not valid.\n/../x\n"}, // traversal in an absolute FILE
        {"..", "x", "abc", "0", "ERROR: The folder path is not valid.\n..\n"},     // relative DIR
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Save(row.dir, row.file, row.data, row.lock), row.reply)
            << row.dir << " " << row.file << " " << row.data << " " << row.lock;
    }
    EXPECT_EQ(List(""), "OK\n");
}

TEST_F(ServerTest, AccountsHaveTreesOfTheirOwn)
{
    EXPECT_EQ(Save("", "mine.rtf", kNote, "0", "alice"), "OK\n");
    EXPECT_EQ(List("", "bob"), "OK\n");
    EXPECT_EQ(Open("/mine.rtf", "", "bob"), "ERROR: The note does not exist.\n/mine.rtf\n");
}

TEST_F(ServerTest, BadTokensAndPathsAreRefused)
{
    const std::string base = "/Buffer/Buffer0000/bin/";
    for (const std::string& id : {std::string("garbage"), std::string(), Token("")}) {
        EXPECT_EQ(PostRaw(m_port, base + "qbdir.pl", "ID=" + id + "&DIR=").body,
                  "ERROR: The session is not valid. Please restart Quillbox.\n")
            << id;
    }
    EXPECT_EQ(PostRaw(m_port, base + "qbother.pl", "ID=" + Token("kiwi")).status, 404);
    EXPECT_EQ(PostRaw(m_port, "/Buffer/Buffer0001/bin/qbdir.pl", "ID=" + Token("kiwi") + "&DIR=").status, 404);
    EXPECT_EQ(GetRaw(m_port, base + "qbdir.pl").status, 404);
    const auto guide = GetRaw(m_port, "/UserGuide.htm");
    EXPECT_EQ(guide.status, 200);
    EXPECT_NE(guide.body.find("Quillbox"), std::string::npos);
}

TEST_F(ServerTest, OversizedBodyIsRefusedAndTheServerGoesOn)
{
    qb::server::ServerOptions http;
    http.maxBodyBytes = 4096;
    StartServer({}, http);
    const auto refused = PostRaw(m_port, "/Buffer/Buffer0000/bin/qbsave.pl",
                                 "ID=" + Token("kiwi") + "&DIR=&FILE=x&LOCK=0&DATA=" + std::string(100000, 'A'));
    EXPECT_EQ(refused.body, "ERROR: The request is too large for the server.\n");
    EXPECT_EQ(List(""), "OK\n");
}
