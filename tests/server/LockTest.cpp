#include "ServerFixture.h"

using namespace qb::testing;

namespace {
const std::string kNote = "QUJD=";
bool Refused(const std::string& reply)
{
    return reply.rfind("ERROR: ", 0) == 0;
}
} // namespace

TEST_F(ServerTest, ExclusiveOpenLocksAgainstOtherIdentities)
{
    Save("", "n.rtf", kNote);
    EXPECT_EQ(Open("/n.rtf", "HOST-A"), "OK 5\n" + kNote);
    EXPECT_EQ(Open("/n.rtf", "HOST-A"), "OK 5\n" + kNote); // the holder may open again
    EXPECT_TRUE(Refused(Open("/n.rtf", "HOST-B")));
    EXPECT_EQ(Open("/n.rtf", ""), "OK 5\n" + kNote); // a plain open always reads

    EXPECT_TRUE(Refused(Save("", "/n.rtf", "QkJC=", "HOST-B0")));
    EXPECT_TRUE(Refused(Save("", "/n.rtf", "QkJC=", "0"))); // no identity is another identity
    EXPECT_EQ(Save("", "/n.rtf", "QUFB=", "HOST-A0"), "OK\n"); // "0" keeps the lock
    EXPECT_TRUE(Refused(Open("/n.rtf", "HOST-B")));
    EXPECT_EQ(Save("", "/n.rtf", "QUFC=", "HOST-A&UNLOCK=1"), "OK\n");
    EXPECT_EQ(Open("/n.rtf", "HOST-B"), "OK 5\nQUFC=");
}

TEST_F(ServerTest, UnlockRules)
{
    Save("", "n.rtf", kNote);
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=HOST-A"), "OK\n"); // a free note
    Open("/n.rtf", "HOST-A");
    EXPECT_TRUE(Refused(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=HOST-B")));
    EXPECT_TRUE(Refused(Open("/n.rtf", "HOST-B")));
    EXPECT_EQ(Post("qbunlock.pl", "&FILE=/n.rtf&LOCK=HOST-A"), "OK\n");
    EXPECT_EQ(Open("/n.rtf", "HOST-B").substr(0, 3), "OK ");
    EXPECT_TRUE(Refused(Post("qbunlock.pl", "&FILE=/missing.rtf&LOCK=HOST-A")));
}

TEST_F(ServerTest, StaleLocksRunOut)
{
    Save("", "n.rtf", kNote);
    Open("/n.rtf", "CRASHED");
    m_now += 12 * 3600 - 1;
    EXPECT_TRUE(Refused(Open("/n.rtf", "OTHER")));
    m_now += 1;
    EXPECT_EQ(Open("/n.rtf", "OTHER").substr(0, 3), "OK ");
    EXPECT_TRUE(Refused(Open("/n.rtf", "CRASHED")));
}

TEST_F(ServerTest, LockedNotesAndTheirFoldersStayPut)
{
    Post("qbnewdir.pl", "&DIR=");
    Save("/New Folder", "n.rtf", kNote);
    Open("/New Folder/n.rtf", "HOST-A");
    for (const char* rest : {"&DIR=/New Folder&FROM=n.rtf&TO=m.rtf", "&DIR=&FROM=New Folder&TO=Other"})
        EXPECT_TRUE(Refused(Post("qbrename.pl", rest))) << rest;
    EXPECT_TRUE(Refused(Post("qbdelete.pl", "&DIR=&LIST=New Folder\n")));
    EXPECT_TRUE(Refused(Post("qbdelete.pl", "&DIR=/New Folder&LIST=n.rtf\n")));
    EXPECT_TRUE(Refused(Post("qbmove.pl", "&DIR=&FROMDIR=/New Folder&FILELIST=n.rtf\n")));
    // Copying reads only; the copy is free.
    EXPECT_EQ(Post("qbcopy.pl", "&DIR=&FROMDIR=/New Folder&FILELIST=n.rtf\n"), "OK\n");
    EXPECT_EQ(Open("/n.rtf", "HOST-B").substr(0, 3), "OK ");
    EXPECT_EQ(Open("/New Folder/n.rtf", "HOST-A").substr(0, 3), "OK ");
}
