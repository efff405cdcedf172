// A full disk is told to the user as such, acknowledged saves survive it, and deletes still
// work so that the user can free room.

#include "PgCluster.h"
#include "StoreFixture.h"

#include "server/PgStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

using namespace qb::server;
using namespace qb::testing;

namespace {

// Not the shared account, whose notes have a small size limit of their own.
const std::string kAccount = "alice";

std::string NoteName(int n)
{
    return "n" + std::to_string(n) + ".rtf";
}

std::string NoteText(int n, std::size_t size)
{
    return std::string(size, static_cast<char>('A' + n % 26)) + "=";
}

// Text no compression shrinks, as encrypted notes are.
std::string NoiseText(int n, std::size_t size)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(n);
    std::string text(size, 'A');
    for (char& c : text) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = kLetters[state % 62];
    }
    return text + "=";
}

// Saves new notes until the store says it is full; the notes acknowledged, in order.
using Text = std::string (*)(int n, std::size_t size);

std::vector<int> FillUp(StoreClient& client, std::size_t noteSize, int most, Text text = NoteText)
{
    std::vector<int> saved;
    for (int n = 0; n < most; ++n) {
        const std::string reply = client.Save(kAccount, "/" + NoteName(n), text(n, noteSize));
        if (reply != "OK\n") {
            EXPECT_EQ(reply, kStorageFull);
            return saved;
        }
        saved.push_back(n);
    }
    ADD_FAILURE() << "the storage never filled up";
    return saved;
}

void ExpectReadBack(StoreClient& client, const std::vector<int>& notes, std::size_t noteSize, Text made = NoteText)
{
    for (const int n : notes) {
        const std::string text = made(n, noteSize);
        EXPECT_EQ(client.Open(kAccount, "/" + NoteName(n)), "OK " + std::to_string(text.size()) + "\n" + text) << n;
    }
}

// A small tmpfs mounted for the test's lifetime; needs root (as in CI).
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& at, const char* size) : m_at(at)
    {
        std::filesystem::create_directory(at);
        m_mounted = ::geteuid() == 0 && ::mount("tmpfs", at.c_str(), "tmpfs", 0, size) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_at.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return m_mounted; }
    bool Grow(const char* size) { return ::mount("tmpfs", m_at.c_str(), "tmpfs", MS_REMOUNT, size) == 0; }

private:
    std::filesystem::path m_at;
    bool m_mounted = false;
};

} // namespace

// The database's page limit stands in for the disk.
TEST(StoreFull, AFullDatabaseIsToldAndDeletesStillWork)
{
    TempDir dir;
    SqliteStoreOptions options;
    options.maxPageCount = 48;
    options.reserveBytes = 64 * 1024;
    StoreClient client((dir.path / "notes.db").string(), options);
    constexpr std::size_t kSize = 6000;

    const std::vector<int> saved = FillUp(client, kSize, 100);
    ASSERT_GE(saved.size(), 3u);
    ExpectReadBack(client, saved, kSize);
    // Updating an existing note to a larger text fails the same way and keeps the old text.
    EXPECT_EQ(client.Save(kAccount, "/" + NoteName(saved[0]), NoteText(saved[0], 4 * kSize)), kStorageFull);
    ExpectReadBack(client, saved, kSize);

    EXPECT_EQ(client.Delete(kAccount, NoteName(saved[0])), "OK\n");
    EXPECT_EQ(client.Delete(kAccount, NoteName(saved[1])), "OK\n");
    // The room freed takes a note again.
    EXPECT_EQ(client.Save(kAccount, "/" + NoteName(saved[0]), NoteText(saved[0], kSize)), "OK\n");
    ExpectReadBack(client, {saved.begin() + 2, saved.end()}, kSize);
}

// A real full disk: a small tmpfs.
TEST(StoreFull, AFullDiskIsToldAndDeletesStillWork)
{
    TempDir dir;
    SmallDisk disk(dir.path / "disk", "size=1m,mode=0700");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const auto db = dir.path / "disk" / "notes.db";
    const auto reserve = dir.path / "disk" / "notes.db.reserve";
    constexpr std::size_t kSize = 16 * 1024;
    {
        SqliteStoreOptions options;
        options.reserveBytes = 128 * 1024;
        StoreClient client(db.string(), options);
        EXPECT_TRUE(std::filesystem::exists(reserve));

        const std::vector<int> saved = FillUp(client, kSize, 200);
        ASSERT_GE(saved.size(), 3u);
        EXPECT_FALSE(std::filesystem::exists(reserve)); // given back to the disk
        ExpectReadBack(client, saved, kSize);
        EXPECT_EQ(client.Delete(kAccount, NoteName(saved[0])), "OK\n");
        EXPECT_EQ(client.Delete(kAccount, NoteName(saved[1])), "OK\n");
        ExpectReadBack(client, {saved.begin() + 2, saved.end()}, kSize);
        EXPECT_EQ(client.Open(kAccount, "/" + NoteName(saved[0])),
                  "ERROR: The note does not exist.\n/" + NoteName(saved[0]) + "\n");

        // Room comes back: the next change makes the reserve again.
        ASSERT_TRUE(disk.Grow("size=4m"));
        EXPECT_EQ(client.Save(kAccount, "/" + NoteName(saved[0]), NoteText(saved[0], kSize)), "OK\n");
        EXPECT_TRUE(std::filesystem::exists(reserve));
        EXPECT_EQ(std::filesystem::file_size(reserve), 128u * 1024u);
    }
}

// PostgreSQL with its tables on a small tmpfs (a tablespace there; its log stays on the big
// disk): a full disk fails the save whole and is told as such, and deletes still work.
TEST(StoreFull, AFullDiskUnderPostgreSqlIsToldAndDeletesStillWork)
{
    TempDir dir;
    // A new database takes some 8 MB of catalogs.
    SmallDisk disk(dir.path / "disk", "size=12m,mode=0700");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string db = TestCluster().CreateDatabaseIn((dir.path / "disk").string());
    constexpr std::size_t kSize = 64 * 1024;
    {
        StoreClient client(std::make_unique<PgStore>(db, PgStoreOptions{2}));
        const std::vector<int> saved = FillUp(client, kSize, 400, NoiseText);
        ASSERT_GE(saved.size(), 3u);
        ExpectReadBack(client, saved, kSize, NoiseText);
        // A larger text for a note there fails the same way and keeps the old one.
        EXPECT_EQ(client.Save(kAccount, "/" + NoteName(saved[0]), NoiseText(1000, 40 * kSize)), kStorageFull);
        ExpectReadBack(client, saved, kSize, NoiseText);
        EXPECT_EQ(client.Delete(kAccount, NoteName(saved[0])), "OK\n");
        EXPECT_EQ(client.Open(kAccount, "/" + NoteName(saved[0])),
                  "ERROR: The note does not exist.\n/" + NoteName(saved[0]) + "\n");
        // Room comes back: saves work again.
        ASSERT_TRUE(disk.Grow("size=24m"));
        EXPECT_EQ(client.Save(kAccount, "/" + NoteName(saved[0]), NoiseText(saved[0], kSize)), "OK\n");
        ExpectReadBack(client, saved, kSize, NoiseText);
    }
    TestCluster().DropDatabaseIn(db);
}
