#include "NameCases.h"
#include "ServerFixture.h"

#include "server/Names.h"

using namespace qb::testing;
using qb::server::IStoreTransaction;
using qb::server::NameKey;
using qb::server::Node;

namespace {
using Strings = std::vector<std::string>;
const std::string kNote = "QUJD=";
} // namespace

TEST_F(ServerTest, EveryNameMadeKeepsTheRule)
{
    Save("", "a.rtf", kNote);
    for (const auto& row : NameCases()) {
        const std::string& name = row.name;
        // Rename makes a name.
        std::string renamed = row.sentence.empty() ? "OK\n" : "ERROR: " + row.sentence + "\n";
        if (name == "x&TO=y") // the new name's marker is found from the end: an old name may hold it
            renamed = "ERROR: \"a.rtf&TO=x\" does not exist.\n";
        EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=a.rtf&TO=" + name), renamed) << name;
        if (renamed == "OK\n") {
            EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=" + name + "&TO=a.rtf"), "OK\n") << name;
        }

        // So does the save of a new note, in the top folder and in a folder.
        std::string saved = row.sentence.empty() ? "OK\n" : "ERROR: " + row.sentence + " Nothing was saved.\n";
        if (name == "x&LOCK=y") // split at its marker, the rest is no lock identity
            saved = "ERROR: The request is not in the expected form.\nThe lock identity is not valid.\n";
        EXPECT_EQ(Save("", name, kNote), saved) << name;
        if (saved == "OK\n") {
            EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=" + name + "\n"), "OK\n") << name;
        }
    }
    EXPECT_EQ(Names(List("")), Strings{"a.rtf"});
}

TEST_F(ServerTest, ASavedNameIsNeverAPath)
{
    Post("qbnewdir.pl", "&DIR=");
    const std::string kSlash = "ERROR: A name cannot contain \"/\". Nothing was saved.\n";
    EXPECT_EQ(Save("/New Folder", "/New Folder/x.rtf", kNote), kSlash);
    EXPECT_EQ(Save("/New Folder", "inner/x.rtf", kNote), kSlash);
    EXPECT_EQ(Save("", "New Folder/x.rtf", kNote), kSlash); // once saved into "New Folder"
    EXPECT_EQ(Names(List("/New Folder")), Strings{});
    // With an empty DIR a FILE that begins with "/" is the note's whole path.
    EXPECT_EQ(Save("", "/New Folder/x.rtf", kNote), "OK\n");
    EXPECT_EQ(Names(List("/New Folder")), Strings{"x.rtf"});
}

TEST_F(ServerTest, PathsOutOfFormAreRefusedEverywhere)
{
    Post("qbnewdir.pl", "&DIR=");
    Save("/New Folder", "n.rtf", kNote);
    for (const std::string path : {"New Folder", "/", "/New Folder/", "//New Folder", "/./New Folder",
                                   "/New Folder/.", "/New Folder/..", "/New Folder/../New Folder"}) {
        const std::string badFolder = "ERROR: The folder path is not valid.\n" + path + "\n";
        EXPECT_EQ(List(path), badFolder);
        EXPECT_EQ(Post("qbnewdir.pl", "&DIR=" + path), badFolder);
        EXPECT_EQ(Post("qbrename.pl", "&DIR=" + path + "&FROM=n.rtf&TO=m.rtf"), badFolder);
        EXPECT_EQ(Post("qbdelete.pl", "&DIR=" + path + "&LIST=n.rtf\n"), badFolder);
        EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=" + path + "&FILELIST=n.rtf\n"), badFolder);
        EXPECT_EQ(Post("qbmove.pl", "&DIR=" + path + "&FROMDIR=/New Folder&FILELIST=n.rtf\n"), badFolder);
        EXPECT_EQ(Save(path, "m.rtf", kNote), badFolder);
        const std::string note = path + "/n.rtf";
        const std::string badNote = "ERROR: The note path is not valid.\n" + note + "\n";
        EXPECT_EQ(Open(note), badNote);
        EXPECT_EQ(Post("qbunlock.pl", "&FILE=" + note + "&LOCK=PC"), badNote);
        // Without its leading "/" the FILE of a save is a name.
        EXPECT_EQ(Save("", note, kNote),
                  path.starts_with('/') ? badNote : "ERROR: A name cannot contain \"/\". Nothing was saved.\n");
    }
    EXPECT_EQ(Names(List("")), Strings{"New Folder"});
    EXPECT_EQ(Names(List("/New Folder")), Strings{"n.rtf"});
}

// Entries stored before the rule was kept: they stay reachable, and can be mended.
class OldNamesTest : public ServerTest {
protected:
    void SetUp() override
    {
        // Entries go into the store behind the service's back: no listing may be kept.
        qb::server::ServiceOptions options;
        options.cacheListings = false;
        StartServer(options);
        Post("qbnewdir.pl", "&DIR=");
        Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=Target");
    }

    // Stores a note or folder as an older server would have, past today's rule.
    void InsertOld(const std::string& name, bool isFolder)
    {
        const std::string refusal = m_store->Transact(true, [&](IStoreTransaction& tx) {
            Node node;
            node.name = name;
            node.isFolder = isFolder;
            node.modified = m_now;
            tx.Insert("kiwi", *tx.Root("kiwi", true), node, NameKey(name), isFolder ? "" : kNote);
            return std::string();
        });
        ASSERT_EQ(refusal, "");
    }
};

TEST_F(OldNamesTest, OldNamesCanBeRenamedMovedAndDeleted)
{
    for (const std::string old : {"Old&LIST=stuff", "Old&TO=x", "Old&FROM=x", "Old&DIR=x", "Old&FILELIST=x",
                                  "Old&FROMDIR=x", "tab\there", "esc\x1b", "\x01", "del\x7f"}) {
        for (const bool isFolder : {false, true}) {
            InsertOld(old, isFolder);
            // Folders are listed first, then notes, each in name order.
            const auto listed = [&](const std::string& name) {
                return isFolder && NameKey(name) < "target" ? Strings{name, "Target"} : Strings{"Target", name};
            };
            EXPECT_EQ(Names(List("")), listed(old)) << old;
            // Renamed to a good name (an old name is addressed, not made)...
            EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=" + old + "&TO=Mended"), "OK\n") << old;
            EXPECT_EQ(Names(List("")), listed("Mended")) << old;
            InsertOld(old, isFolder);
            // ...moved, keeping its name...
            EXPECT_EQ(Post("qbmove.pl", "&DIR=/Target&FROMDIR=&FILELIST=" + old + "\n"), "OK\n") << old;
            EXPECT_EQ(Names(List("/Target")), Strings{old}) << old;
            // ...but not copied, which would make its name again.
            EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/Target&FILELIST=" + old + "\n"),
                      "ERROR: \"" + old + "\" must be renamed before it can be copied. Nothing was copied.\n"
                          + qb::server::NameProblem(old) + "\n")
                << old;
            // ...and deleted where it stands.
            EXPECT_EQ(Post("qbdelete.pl", "&DIR=/Target&LIST=" + old + "\n"), "OK\n") << old;
            EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=Mended\n"), "OK\n") << old;
            EXPECT_EQ(Names(List("")), Strings{"Target"}) << old;
            EXPECT_EQ(Names(List("/Target")), Strings{}) << old;
        }
    }
}

TEST_F(OldNamesTest, OldNamesComeBackFromTheTrashAsTheyWere)
{
    InsertOld("Old&TO=x", false);
    InsertOld("tab\there", true);
    ASSERT_EQ(Save("/tab\there", "n.rtf", kNote), "OK\n");
    ASSERT_EQ(Post("qbdelete.pl", "&DIR=&LIST=Old&TO=x\ntab\there\n"), "OK\n");
    ASSERT_EQ(Names(List("")), Strings{"Target"});
    EXPECT_EQ(Post("qbundelete.pl", "&ENTRY=1"), "OK\n/Old&TO=x\n");
    EXPECT_EQ(Post("qbundelete.pl", "&ENTRY=2"), "OK\n/tab\there\n");
    EXPECT_EQ(Names(List("")), (Strings{"tab\there", "Target", "Old&TO=x"}));
    EXPECT_EQ(Open("/Old&TO=x"), "OK 5\n" + kNote);
    EXPECT_EQ(Open("/tab\there/n.rtf"), "OK 5\n" + kNote);
}

TEST_F(OldNamesTest, OldFoldersStayReachableByPath)
{
    InsertOld("tab\there", true);
    EXPECT_EQ(List("/tab\there"), "OK\n");
    EXPECT_EQ(Save("/tab\there", "n.rtf", kNote), "OK\n");
    EXPECT_EQ(Open("/tab\there/n.rtf"), "OK 5\n" + kNote);
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR=/tab\there"), "OK\n1|0|1700000000|New Folder\n");
    EXPECT_EQ(Post("qbmove.pl", "&DIR=/Target&FROMDIR=/tab\there&FILELIST=n.rtf\n"), "OK\n");
    EXPECT_EQ(Names(List("/Target")), Strings{"n.rtf"});
    // A saved note keeps the name it has, whatever the rule says of new names.
    InsertOld("old|note.rtf", false);
    EXPECT_EQ(Save("", "old|note.rtf", "QkJC="), "OK\n");
    EXPECT_EQ(Open("/old|note.rtf"), "OK 5\nQkJC=");
}
