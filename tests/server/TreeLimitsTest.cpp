// The bounds of the tree: depth, names per request, nodes per copy, path length; and trees
// deeper than the bound, as an older server could store them, stay deletable.

#include "ServerFixture.h"

#include "server/Names.h"
#include "server/Retention.h"
#include "server/TreeRules.h"

#include <sqlite3.h>

using namespace qb::server;
using namespace qb::testing;

namespace {

using Strings = std::vector<std::string>;
const std::string kNote = "QUJD=";

std::string Repeat(const std::string& part, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

const std::string kTooDeepDetail = "Folders nest at most 256 levels below the top folder.\n";

class TreeLimitsTest : public ServerTest {
protected:
    // A chain of folders named name, depth levels, put straight into the store below the
    // folder at path (as an older server without a bound could have stored it).
    void StoreChain(const std::string& path, const std::string& name, int depth)
    {
        m_store->Transact(true, [&](IStoreTransaction& tx) {
            NodeId id = *tx.Root("kiwi", true);
            const auto segments = SplitPath(path);
            for (const auto& segment : *segments)
                id = tx.Child(id, NameKey(segment))->id;
            Node node;
            node.name = name;
            node.isFolder = true;
            for (int i = 0; i < depth; ++i)
                id = tx.Insert("kiwi", id, node, NameKey(name), {});
            Node note;
            note.name = "bottom.rtf";
            tx.Insert("kiwi", id, note, "bottom.rtf", kNote);
            return std::string();
        });
    }

    std::int64_t StoredNodes()
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open((m_dir.path / "notes.db").c_str(), &db), SQLITE_OK);
        sqlite3_stmt* count = nullptr;
        sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM nodes", -1, &count, nullptr);
        sqlite3_step(count);
        const std::int64_t nodes = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
        sqlite3_close(db);
        return nodes;
    }
};

} // namespace

// Erased by a delete when nothing is kept, or when the trash lets go of them.
TEST_F(TreeLimitsTest, TreesDeeperThanTheCascadeCanGoAreDeleted)
{
    for (const bool trash : {false, true}) {
        SCOPED_TRACE(trash);
        ServiceOptions options;
        options.retention.maxAgeSeconds = trash ? 3600 : 0;
        StartServer(options);
        Save("", "keep.rtf", kNote);
        StoreChain("", "deep", 1500);
        ASSERT_EQ(StoredNodes(), 1 + 1 + 1500 + 1); // top folder, keep.rtf, the chain, its note
        EXPECT_EQ(Names(List("")), (Strings{"deep", "keep.rtf"}));
        EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=deep\n"), "OK\n");
        EXPECT_EQ(Names(List("")), (Strings{"keep.rtf"}));
        m_now += 3601;
        Retention(*m_store, options.retention, [this] { return m_now; }).PruneAll();
        EXPECT_EQ(StoredNodes(), 2);
    }
}

TEST_F(TreeLimitsTest, TreesDeeperThanTheBoundStayUsableButCannotBeCopiedOrMoved)
{
    StoreChain("", "old", 300);
    Post("qbnewdir.pl", "&DIR=");
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=old\n"),
              "ERROR: The folder tree would be too deep. Nothing was copied.\n" + kTooDeepDetail);
    EXPECT_EQ(Post("qbmove.pl", "&DIR=/New Folder&FROMDIR=&FILELIST=old\n"),
              "ERROR: The folder tree would be too deep. Nothing was moved.\n" + kTooDeepDetail);
    const std::string deepest = Repeat("/old", 300);
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR=" + deepest),
              "ERROR: The folder tree would be too deep.\n" + kTooDeepDetail);
    EXPECT_EQ(Open(deepest + "/bottom.rtf"), "OK 5\n" + kNote);
    EXPECT_EQ(Save(deepest, "more.rtf", kNote), "OK\n"); // notes add no level
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=old&TO=older"), "OK\n");
    EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=older\n"), "OK\n");
    EXPECT_EQ(Names(List("")), (Strings{"New Folder"}));
}

TEST_F(TreeLimitsTest, CopyMoveAndNewFolderStopAtTheDepthBound)
{
    StoreChain("", "c", kMaxFolderDepth); // the deepest tree allowed
    Post("qbnewdir.pl", "&DIR=");
    // A copy of the whole chain beside it fits, and is whole.
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=c\n"), "OK\n");
    EXPECT_EQ(Open("/Copy of c" + Repeat("/c", kMaxFolderDepth - 1) + "/bottom.rtf"), "OK 5\n" + kNote);

    const struct {
        const char* script;
        std::string target; // a folder one level down: the chain would pass the bound by one
        const char* list;
        std::string reply;
    } refused[] = {
        {"qbcopy.pl", "/New Folder", "c", "ERROR: The folder tree would be too deep. Nothing was copied.\n" + kTooDeepDetail},
        {"qbmove.pl", "/New Folder", "Copy of c",
         "ERROR: The folder tree would be too deep. Nothing was moved.\n" + kTooDeepDetail},
        {"qbnewdir.pl", Repeat("/c", kMaxFolderDepth), "",
         "ERROR: The folder tree would be too deep.\n" + kTooDeepDetail},
    };
    for (const auto& row : refused) {
        const std::string rest = *row.list ? "&DIR=" + row.target + "&FROMDIR=&FILELIST=" + row.list + "\n"
                                           : "&DIR=" + row.target;
        EXPECT_EQ(Post(row.script, rest), row.reply) << row.script << " " << row.list;
    }
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR=" + Repeat("/c", kMaxFolderDepth - 1)), "OK\n1|0|1700000000|New Folder\n");

    // The attack that doubled a chain with every copy: it stops at the bound.
    StoreChain("", "e", 100);
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=" + Repeat("/c", 156) + "&FROMDIR=&FILELIST=e\n"), "OK\n");
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=" + Repeat("/c", 157) + "&FROMDIR=&FILELIST=e\n"),
              "ERROR: The folder tree would be too deep. Nothing was copied.\n" + kTooDeepDetail);
    EXPECT_EQ(Post("qbmove.pl", "&DIR=" + Repeat("/c", 156) + "&FROMDIR=&FILELIST=e\n"),
              "ERROR: \"e\" already exists in the target folder. Nothing was moved.\n");
    EXPECT_EQ(Post("qbmove.pl", "&DIR=" + Repeat("/c", 155) + "&FROMDIR=&FILELIST=e\n"), "OK\n");
    EXPECT_EQ(Names(List(Repeat("/c", 155))), (Strings{"c", "e"}));
}

TEST_F(TreeLimitsTest, NameListsAreBounded)
{
    Save("", "a.rtf", kNote);
    std::string most;
    for (std::size_t i = 0; i < kMaxListNames; ++i)
        most += "n" + std::to_string(i) + "\n";
    const std::string tooMany = most + "a.rtf\n";
    const struct {
        const char* script;
        const char* field;
        const char* verb;
    } rows[] = {{"qbdelete.pl", "&DIR=&LIST=", "deleted"},
                {"qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=", "copied"},
                {"qbmove.pl", "&DIR=&FROMDIR=&FILELIST=", "moved"}};
    for (const auto& row : rows) {
        EXPECT_EQ(Post(row.script, row.field + tooMany),
                  std::string("ERROR: Too many names at once (at most 1000). Nothing was ") + row.verb + ".\n");
        // The most names allowed are read: the first one missing is named.
        EXPECT_EQ(Post(row.script, row.field + most),
                  std::string("ERROR: \"n0\" does not exist. Nothing was ") + row.verb + ".\n");
    }
    EXPECT_EQ(Names(List("")), (Strings{"a.rtf"}));
}

TEST_F(TreeLimitsTest, OneCopyCreatesABoundedNumberOfNodesAndBytes)
{
    ServiceOptions options;
    options.maxCopyNodes = 20;
    options.maxCopyBytes = 79;
    StartServer(options);
    Post("qbnewdir.pl", "&DIR=");
    for (int i = 0; i < 14; ++i)
        Save("/New Folder", "n" + std::to_string(i), kNote); // 15 nodes, 70 bytes
    Save("", "x.rtf", kNote);
    StoreChain("", "chain", 6);

    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=New Folder\nx.rtf\n"), "OK\n"); // 16 nodes, 75 bytes
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=New Folder\nchain\n"), // 15 + 7
              "ERROR: The copy would hold more than 20 items. Nothing was copied.\n");
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=New Folder\nx.rtf\nx.rtf\n"), // 80 bytes
              "ERROR: The copy would hold more than 79 bytes of notes. Nothing was copied.\n");
    EXPECT_EQ(Names(List("")), (Strings{"chain", "Copy of New Folder", "New Folder", "Copy of x.rtf", "x.rtf"}));
}

TEST_F(TreeLimitsTest, CopyNamesTakeTheSmallestFreeNumber)
{
    Post("qbnewdir.pl", "&DIR=");
    Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=Source");
    for (const char* name : {"x.rtf", "Copy of y.rtf", "y.rtf"})
        Save("/Source", name, kNote);
    for (const char* name : {"x.rtf", "COPY (2) OF X.RTF", "Copy (02) of x.rtf", "Copy (4x) of x.rtf", "y.rtf"})
        Save("", name, kNote);
    // Several copies in one request: each takes the next free number, around the names
    // that only look like copies.
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/Source&FILELIST=x.rtf\nx.rtf\nx.rtf\nCopy of y.rtf\ny.rtf\n"), "OK\n");
    EXPECT_EQ(Names(List("")), (Strings{"Source", "Copy (02) of x.rtf", "COPY (2) OF X.RTF", "Copy (2) of y.rtf",
                                        "Copy (3) of x.rtf", "Copy (4) of x.rtf", "Copy (4x) of x.rtf",
                                        "Copy of x.rtf", "Copy of y.rtf", "x.rtf", "y.rtf"}));
    // A name whose copy would pass the name length has no free name.
    const std::string longest(255, 'L');
    Save("/Source", longest, kNote);
    Save("", longest, kNote);
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/Source&FILELIST=" + longest + "\n"),
              "ERROR: \"" + longest + "\" has no free name for its copy. Nothing was copied.\n");
}

TEST_F(TreeLimitsTest, PathsAreBounded)
{
    // A well-formed path of exactly the longest length, and one byte more.
    std::string longest;
    while (longest.size() + 10 <= kMaxPathBytes)
        longest += "/aaaaaaaaa";
    longest += "/" + std::string(kMaxPathBytes - longest.size() - 1, 'b');
    ASSERT_EQ(longest.size(), kMaxPathBytes);
    const std::string tooLong = longest + "c";
    const std::string kTooLong = "ERROR: The path is too long (at most 4096 bytes).\n";

    EXPECT_EQ(List(longest), "ERROR: The folder does not exist.\n" + longest + "\n");
    EXPECT_EQ(List(tooLong), kTooLong);
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR=" + tooLong), kTooLong);
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=" + tooLong + "&FILELIST=a\n"), kTooLong);
    EXPECT_EQ(Open(tooLong), kTooLong);
    EXPECT_EQ(Save(longest.substr(0, 4000), Repeat("n", 100), kNote), kTooLong); // DIR and FILE together
    EXPECT_EQ(Open("/n.rtf", std::string(300, 'L')),
              "ERROR: The request is not in the expected form.\nThe lock identity is too long.\n");
    EXPECT_EQ(List(""), "OK\n");
}
