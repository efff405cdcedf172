#include "ServerFixture.h"

using namespace qb::testing;

namespace {
using Strings = std::vector<std::string>;
const std::string kNote = "QUJD=";
}

TEST_F(ServerTest, NewFolderNamesAreChosenByTheServer)
{
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR="), "OK\n1|0|1700000000|New Folder\n");
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR="), "OK\n1|0|1700000000|New Folder (2)\n");
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR="), "OK\n1|0|1700000000|New Folder (3)\n");
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR=/New Folder (2)"), "OK\n1|0|1700000000|New Folder\n");
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR=/Nowhere"), "ERROR: The folder does not exist.\n/Nowhere\n");
    // Gaps are filled: the smallest number free.
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=New Folder (2)&TO=New Folder (1)"), "OK\n");
    EXPECT_EQ(Post("qbnewdir.pl", "&DIR="), "OK\n1|0|1700000000|New Folder (2)\n");
}

TEST_F(ServerTest, RenameRules)
{
    Post("qbnewdir.pl", "&DIR=");
    Save("", "a.rtf", kNote);
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=Docs & Stuff"), "OK\n");
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=a.rtf&TO=A.rtf"), "OK\n"); // a change of case only
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=A.rtf&TO=A.rtf"), "OK\n"); // the same name
    EXPECT_EQ(Names(List("")), (Strings{"Docs & Stuff", "A.rtf"}));

    const struct {
        const char* rest;
        const char* reply;
    } refused[] = {
        {"&DIR=&FROM=A.rtf&TO=docs & stuff", // taken, whatever the case
         "ERROR: \"docs & stuff\" already exists in this folder.\n"},
        {"&DIR=&FROM=missing&TO=x", "ERROR: \"missing\" does not exist.\n"},
        {"&DIR=&FROM=A.rtf&TO=", "ERROR: A name cannot be empty.\n"},
        {"&DIR=&FROM=A.rtf&TO=a/b", "ERROR: A name cannot contain \"/\".\n"},
        {"&DIR=&FROM=A.rtf&TO=..", "ERROR: A name cannot be \".\" or \"..\".\n"},
        {"&DIR=/Nowhere&FROM=A.rtf&TO=b", "ERROR: The folder does not exist.\n/Nowhere\n"},
    };
    for (const auto& row : refused)
        EXPECT_EQ(Post("qbrename.pl", row.rest), row.reply) << row.rest;
    EXPECT_EQ(Names(List("")), (Strings{"Docs & Stuff", "A.rtf"}));
}

TEST_F(ServerTest, DeleteIsAllOrNothingAndTakesSubtrees)
{
    Post("qbnewdir.pl", "&DIR=");
    Save("/New Folder", "inner.rtf", kNote);
    Save("", "a.rtf", kNote);
    Save("", "b.rtf", kNote);
    EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=a.rtf\nmissing\n"),
              "ERROR: \"missing\" does not exist. Nothing was deleted.\n");
    EXPECT_EQ(Names(List("")).size(), 3u);
    EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=a.rtf\nNew Folder\n"), "OK\n");
    EXPECT_EQ(Names(List("")), (Strings{"b.rtf"}));
    EXPECT_EQ(List("/New Folder"), "ERROR: The folder does not exist.\n/New Folder\n");
    EXPECT_EQ(Post("qbdelete.pl", "&DIR=&LIST=b.rtf"), // no closing LF
              "ERROR: The list of names to delete is empty or malformed.\n");
}

TEST_F(ServerTest, CopyFindsFreeNamesAndCopiesSubtrees)
{
    Post("qbnewdir.pl", "&DIR=");
    Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=A");
    Post("qbnewdir.pl", "&DIR=/A");
    Save("/A/New Folder", "deep.rtf", kNote);
    Save("/A", "x.rtf", kNote);

    EXPECT_EQ(Post("qbcopy.pl", "&DIR=/A&FROMDIR=/A&FILELIST=x.rtf\n"), "OK\n");
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=/A&FROMDIR=/A&FILELIST=x.rtf\n"), "OK\n");
    EXPECT_EQ(Names(List("/A")), (Strings{"New Folder", "Copy (2) of x.rtf", "Copy of x.rtf", "x.rtf"}));

    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/A&FILELIST=New Folder\nx.rtf\n"), "OK\n");
    EXPECT_EQ(Names(List("/New Folder")), (Strings{"deep.rtf"}));
    EXPECT_EQ(Open("/New Folder/deep.rtf"), "OK 5\n" + kNote);

    // A folder into itself or below itself would never end.
    for (const char* into : {"/A", "/A/New Folder"}) {
        EXPECT_EQ(Post("qbcopy.pl", std::string("&DIR=") + into + "&FROMDIR=&FILELIST=A\n"),
                  "ERROR: \"A\" cannot be copied into itself. Nothing was copied.\n")
            << into;
    }
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/A&FILELIST=x.rtf\nmissing\n"),
              "ERROR: \"missing\" does not exist. Nothing was copied.\n");
    EXPECT_EQ(Names(List("")), (Strings{"A", "New Folder", "x.rtf"}));
}

TEST_F(ServerTest, MoveRules)
{
    for (int i = 0; i < 2; ++i)
        Post("qbnewdir.pl", "&DIR=");
    Save("", "x.rtf", kNote);
    Save("/New Folder (2)", "x.rtf", kNote);

    EXPECT_EQ(Post("qbmove.pl", "&DIR=/New Folder (2)&FROMDIR=&FILELIST=x.rtf\n"),
              "ERROR: \"x.rtf\" already exists in the target folder. Nothing was moved.\n");
    EXPECT_EQ(Post("qbmove.pl", "&DIR=/New Folder&FROMDIR=&FILELIST=New Folder\n"),
              "ERROR: \"New Folder\" cannot be moved into itself. Nothing was moved.\n");
    EXPECT_EQ(Post("qbmove.pl", "&DIR=/New Folder&FROMDIR=&FILELIST=x.rtf\nNew Folder (2)\n"), "OK\n");
    EXPECT_EQ(Names(List("")), (Strings{"New Folder"}));
    EXPECT_EQ(Names(List("/New Folder")), (Strings{"New Folder (2)", "x.rtf"}));
    EXPECT_EQ(Open("/New Folder/New Folder (2)/x.rtf"), "OK 5\n" + kNote);
}
