#include "ServerFixture.h"

#include "server/ListingCache.h"

using namespace qb::server;
using namespace qb::testing;

TEST(ListingCache, ARaceWithAChangeNeverLeavesAStaleReply)
{
    ListingCache cache;
    const auto before = cache.Generation("kiwi");
    cache.Changed("kiwi"); // a save commits while the listing is being read
    cache.Store("kiwi", "/A", before, "OK\nold\n");
    EXPECT_FALSE(cache.Find("kiwi", "/A"));

    cache.Store("kiwi", "/A", cache.Generation("kiwi"), "OK\nnew\n");
    EXPECT_EQ(cache.Find("kiwi", "/A"), "OK\nnew\n");
    EXPECT_FALSE(cache.Find("alice", "/A")); // accounts apart
    cache.Changed("alice");
    EXPECT_TRUE(cache.Find("kiwi", "/A"));
    cache.Changed("kiwi");
    EXPECT_FALSE(cache.Find("kiwi", "/A"));
}

TEST_F(ServerTest, ListingsFollowEveryChange)
{
    EXPECT_EQ(List(""), "OK\n");
    Save("", "a.rtf", "QUJD=");
    EXPECT_EQ(Names(List("")), std::vector<std::string>{"a.rtf"});
    Post("qbrename.pl", "&DIR=&FROM=a.rtf&TO=b.rtf");
    EXPECT_EQ(Names(List("")), std::vector<std::string>{"b.rtf"});
    m_now += 10;
    Save("", "/b.rtf", "QUJDRA==");
    EXPECT_EQ(List(""), "OK\n0|8|1700000010|b.rtf\n");
    EXPECT_EQ(List("", "alice"), "OK\n");
}
