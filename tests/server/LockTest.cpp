#include "ServerFixture.h"

using namespace qb::testing;

namespace {
const std::string kNote = "QUJD=";
// The lock's identity is never told: whoever presents it may save over the note.
const std::string kLockedOpen =
    "ERROR: This note is open exclusively on another computer.\nOpen it without the lock to read it.\n";
const std::string kNotSaved = "ERROR: This note is open exclusively on another computer. Nothing was saved.\n";
const std::string kNotUnlocked = "ERROR: This note is open exclusively on another computer.\n";
} // namespace

TEST_F(ServerTest, ExclusiveOpenLocksAgainstOtherIdentities)
{
    Save("", "n.rtf", kNote);
    EXPECT_EQ(Open("/n.rtf", "HOST-A"), "OK 5\n" + kNote);
    EXPECT_EQ(Open("/n.rtf", "HOST-A"), "OK 5\n" + kNote); // the holder may open again
    EXPECT_EQ(Open("/n.rtf", "HOST-B"), kLockedOpen);
    EXPECT_EQ(Open("/n.rtf", ""), "OK 5\n" + kNote); // a plain open always reads

    EXPECT_EQ(Save("", "/n.rtf", "QkJC=", "HOST-B0"), kNotSaved);
    EXPECT_EQ(Save("", "/n.rtf", "QkJC=", "0"), kNotSaved); // no identity is another identity
    EXPECT_EQ(Save("", "/n.rtf", "QUFB=", "HOST-A0"), "OK\n"); // "0" keeps the lock
    EXPECT_EQ(Open("/n.rtf", "HOST-B"), kLockedOpen);
    EXPECT_EQ(Save("", "/n.rtf", "QUFC=", "HOST-A&UNLOCK=1"), "OK\n");
    EXPECT_EQ(Open("/n.rtf", "HOST-B"), "OK 5\nQUFC=");
}

TEST_F(ServerTest, UnlockRules)
{
    Save("", "n.rtf", kNote);
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=HOST-A"), "OK\n"); // a free note
    Open("/n.rtf", "HOST-A");
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=HOST-B"), kNotUnlocked);
    EXPECT_EQ(Open("/n.rtf", "HOST-B"), kLockedOpen);
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=HOST-A"), "OK\n");
    EXPECT_EQ(Open("/n.rtf", "HOST-B").substr(0, 3), "OK ");
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/missing.rtf&LOCK=HOST-A"),
              "ERROR: The note does not exist.\n/missing.rtf\n");
}

TEST_F(ServerTest, StaleLocksRunOut)
{
    Save("", "n.rtf", kNote);
    Open("/n.rtf", "CRASHED");
    m_now += 12 * 3600 - 1;
    EXPECT_EQ(Open("/n.rtf", "OTHER"), kLockedOpen);
    m_now += 1;
    EXPECT_EQ(Open("/n.rtf", "OTHER").substr(0, 3), "OK ");
    EXPECT_EQ(Open("/n.rtf", "CRASHED"), kLockedOpen);
}

TEST_F(ServerTest, LockedNotesAndTheirFoldersStayPut)
{
    Post("qbnewdir.pl", "&DIR=");
    Save("/New Folder", "n.rtf", kNote);
    Open("/New Folder/n.rtf", "HOST-A");
    const struct {
        const char* script;
        const char* rest;
        const char* reply;
    } refused[] = {
        {"qbrename.pl", "&DIR=/New Folder&FROM=n.rtf&TO=m.rtf",
         "ERROR: \"n.rtf\" is open exclusively on another computer.\n"},
        {"qbrename.pl", "&DIR=&FROM=New Folder&TO=Other",
         "ERROR: \"New Folder\" is open exclusively on another computer.\n"},
        {"qbdelete.pl", "&DIR=&LIST=New Folder\n",
         "ERROR: \"New Folder\" is open exclusively on another computer. Nothing was deleted.\n"},
        {"qbdelete.pl", "&DIR=/New Folder&LIST=n.rtf\n",
         "ERROR: \"n.rtf\" is open exclusively on another computer. Nothing was deleted.\n"},
        {"qbmove.pl", "&DIR=&FROMDIR=/New Folder&FILELIST=n.rtf\n",
         "ERROR: \"n.rtf\" is open exclusively on another computer. Nothing was moved.\n"},
        {"qbmove.pl", "&DIR=/New Folder&FROMDIR=&FILELIST=New Folder\n", // into itself comes first
         "ERROR: \"New Folder\" cannot be moved into itself. Nothing was moved.\n"},
    };
    for (const auto& row : refused)
        EXPECT_EQ(Post(row.script, row.rest), row.reply) << row.script << row.rest;
    // A lock that ran out holds nothing.
    m_now += 12 * 3600;
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=Other"), "OK\n");
    EXPECT_EQ(Post("qbrename.pl", "&DIR=&FROM=Other&TO=New Folder"), "OK\n");
    m_now -= 12 * 3600;
    // Copying reads only; the copy is free.
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/New Folder&FILELIST=n.rtf\n"), "OK\n");
    EXPECT_EQ(Open("/n.rtf", "HOST-B").substr(0, 3), "OK ");
    EXPECT_EQ(Open("/New Folder/n.rtf", "HOST-A").substr(0, 3), "OK ");
}

TEST_F(ServerTest, NoRefusalTellsTheLocksIdentity)
{
    Post("qbnewdir.pl", "&DIR=");
    Save("/New Folder", "n.rtf", kNote);
    Open("/New Folder/n.rtf", "SECRET-PC");
    const struct {
        const char* script;
        const char* rest;
        std::string reply;
    } refused[] = {
        {"qbopen.pl", "&FILE=/New Folder/n.rtf&LOCK=OTHER", kLockedOpen},
        {"qbsave.pl", "&DIR=&FILE=/New Folder/n.rtf&LOCK=OTHER0&DATA=QkJC=", kNotSaved},
        {"qbsave.pl", "&DIR=/New Folder&FILE=n.rtf&LOCK=0&DATA=QkJC=", kNotSaved},
        {"qbunlock.pl", "&FILE=/New Folder/n.rtf&LOCK=OTHER", kNotUnlocked},
        {"qbrename.pl", "&DIR=/New Folder&FROM=n.rtf&TO=m.rtf",
         "ERROR: \"n.rtf\" is open exclusively on another computer.\n"},
        {"qbdelete.pl", "&DIR=&LIST=New Folder\n",
         "ERROR: \"New Folder\" is open exclusively on another computer. Nothing was deleted.\n"},
    };
    for (const auto& row : refused) {
        const std::string reply = Post(row.script, row.rest);
        EXPECT_EQ(reply, row.reply) << row.script << row.rest;
        EXPECT_EQ(reply.find("SECRET-PC"), std::string::npos) << reply;
    }
}

TEST_F(ServerTest, ALockIdentityKeepsTheNameRule)
{
    // A new note named "Old&LOCK=x" splits at its marker: the lock part then holds one, and
    // the save is refused rather than stored as "Old".
    const std::string kBadLock = "ERROR: The request is not in the expected form.\nThe lock identity is not valid.\n";
    EXPECT_EQ(Save("", "Old&LOCK=x", kNote), kBadLock);
    EXPECT_EQ(Save("", "n.rtf", kNote, "PC\t10"), kBadLock);
    EXPECT_EQ(List(""), "OK\n");
    Save("", "n.rtf", kNote);
    EXPECT_EQ(Open("/n.rtf", "a|b"), kBadLock);
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=a/b"), kBadLock);
}
