#include "ServerFixture.h"

#include "server/ListingCache.h"

#include <cctype>

using namespace qb::server;
using namespace qb::testing;

namespace {

// The 2^letters spellings of a path that differ only in letter case.
std::vector<std::string> CaseVariants(const std::string& path, std::size_t count)
{
    std::vector<std::string> variants;
    for (std::size_t mask = 0; variants.size() < count; ++mask) {
        std::string variant = path;
        std::size_t bit = 0;
        for (char& c : variant) {
            if (std::isalpha(static_cast<unsigned char>(c)) && (mask >> bit++ & 1))
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        variants.push_back(variant);
    }
    return variants;
}

} // namespace

TEST(ListingCache, ARaceWithAChangeNeverLeavesAStaleReply)
{
    ListingCache cache;
    const auto before = cache.Generation("kiwi");
    cache.Changed("kiwi"); // a save commits while the listing is being read
    cache.Store("kiwi", "/A", 7, before, "OK\nold\n");
    const auto now = cache.Generation("kiwi");
    EXPECT_FALSE(cache.FindFolder("kiwi", "/A", now));
    EXPECT_FALSE(cache.FindListing("kiwi", 7, now));

    cache.Store("kiwi", "/A", 7, now, "OK\nnew\n");
    EXPECT_EQ(cache.FindFolder("kiwi", "/A", now), 7);
    EXPECT_EQ(cache.FindListing("kiwi", 7, now), "OK\nnew\n");
    EXPECT_FALSE(cache.FindFolder("alice", "/A", cache.Generation("alice"))); // accounts apart
    cache.Changed("alice");
    EXPECT_TRUE(cache.FindListing("kiwi", 7, cache.Generation("kiwi")));
    cache.Changed("kiwi");
    EXPECT_FALSE(cache.FindFolder("kiwi", "/A", cache.Generation("kiwi")));
    EXPECT_FALSE(cache.FindListing("kiwi", 7, cache.Generation("kiwi")));
    EXPECT_EQ(cache.Bytes(), 0u); // retired entries leave when met
}

// Servers sharing a database read each account's count from it: the cache only compares.
TEST(ListingCache, CountsReadFromSharedStorageDecideWhatIsCurrent)
{
    ListingCache cache;
    cache.Store("kiwi", "/A", 7, 41, "OK\nat 41\n");
    EXPECT_EQ(cache.FindListing("kiwi", 7, 41), "OK\nat 41\n");
    // A request that read the count before another server's change stored above it keeps
    // the newer entry for later requests, without being given it.
    cache.Store("kiwi", "/A", 7, 42, "OK\nat 42\n");
    EXPECT_FALSE(cache.FindListing("kiwi", 7, 41));
    EXPECT_EQ(cache.FindListing("kiwi", 7, 42), "OK\nat 42\n");
    EXPECT_EQ(cache.FindFolder("kiwi", "/A", 42), 7);
    // A later count retires it.
    EXPECT_FALSE(cache.FindListing("kiwi", 7, 43));
    EXPECT_FALSE(cache.FindFolder("kiwi", "/A", 43));
    EXPECT_EQ(cache.Bytes(), 0u);
}

TEST(ListingCache, OneFolderUnderManySpellingsIsKeptOnce)
{
    ListingCache cache;
    const std::string listing(385 * 1024, 'x');
    const auto variants = CaseVariants("/folder/subdir", 2048);
    for (const auto& path : variants)
        cache.Store("kiwi", path, 42, cache.Generation("kiwi"), listing);
    // One listing, and a small entry per spelling.
    const std::size_t perPath = ListingCache::kEntryOverhead + 32;
    EXPECT_LE(cache.Bytes(), listing.size() + ListingCache::kEntryOverhead + 8 + variants.size() * perPath);
    for (const auto& path : variants)
        ASSERT_EQ(cache.FindFolder("kiwi", path, cache.Generation("kiwi")), 42) << path;
    EXPECT_EQ(cache.FindListing("kiwi", 42, cache.Generation("kiwi"))->size(), listing.size());
}

TEST(ListingCache, StaysWithinItsBytesLeastRecentlyUsedOut)
{
    const std::string listing(1000, 'x');
    ListingCache cache(3500); // room for two folders with their paths, not three
    const auto generation = cache.Generation("kiwi");
    cache.Store("kiwi", "/A", 1, generation, listing);
    cache.Store("kiwi", "/B", 2, generation, listing);
    EXPECT_TRUE(cache.FindListing("kiwi", 1, generation)); // A is now more recent than B
    cache.Store("kiwi", "/C", 3, generation, listing);
    EXPECT_LE(cache.Bytes(), cache.MaxBytes());
    EXPECT_TRUE(cache.FindListing("kiwi", 1, generation));
    EXPECT_FALSE(cache.FindListing("kiwi", 2, generation));
    EXPECT_TRUE(cache.FindListing("kiwi", 3, generation));

    cache.Store("kiwi", "/D", 4, generation, std::string(4000, 'x')); // larger than the whole cache
    EXPECT_FALSE(cache.FindListing("kiwi", 4, generation));
    EXPECT_LE(cache.Bytes(), cache.MaxBytes());
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

TEST_F(ServerTest, ListingsAreCachedByFolderNotByPathText)
{
    Post("qbnewdir.pl", "&DIR=");
    Post("qbrename.pl", "&DIR=&FROM=New Folder&TO=Folder");
    std::string data(300, 'Q');
    data += "=";
    for (int i = 0; i < 200; ++i)
        Save("/Folder", "note number " + std::to_string(i) + ".rtf", data);
    const std::string listing = List("/Folder");
    ASSERT_EQ(Names(listing).size(), 200u);

    const auto variants = CaseVariants("/folder", 64);
    for (const auto& path : variants)
        ASSERT_EQ(List(path), listing) << path;
    const std::size_t perPath = qb::server::ListingCache::kEntryOverhead + 32;
    EXPECT_LE(m_service->Listings().Bytes(),
              listing.size() + qb::server::ListingCache::kEntryOverhead + 8 + variants.size() * perPath);

    // A change seen through any spelling.
    Save("/FOLDER", "last.rtf", data);
    EXPECT_EQ(Names(List("/fOLDER")).size(), 201u);
}
