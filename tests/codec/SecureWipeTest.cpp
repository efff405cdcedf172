#include "codec/SecureWipe.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qb;

namespace {

// Keeps a copy of every block handed back, as it was at that moment.
std::vector<std::vector<std::uint8_t>> g_freed;

template <class T>
struct RecordingAllocator : std::allocator<T> {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = RecordingAllocator<U>;
    };
    RecordingAllocator() = default;
    template <class U>
    RecordingAllocator(const RecordingAllocator<U>&) noexcept
    {
    }
    void deallocate(T* p, std::size_t n)
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(p);
        g_freed.emplace_back(bytes, bytes + n * sizeof(T));
        std::allocator<T>::deallocate(p, n);
    }
};

bool AllZero(const std::vector<std::uint8_t>& block)
{
    return std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

TEST(SecureWipe, ZeroesExactlyTheRangeGiven)
{
    std::vector<std::uint8_t> buffer(32, 0xAB);
    SecureWipe(buffer.data() + 8, 16);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], i >= 8 && i < 24 ? 0 : 0xAB) << i;
    SecureWipe(nullptr, 0); // nothing to do, no crash
}

TEST(SecureWipe, EveryBlockIsWipedBeforeItIsFreed)
{
    g_freed.clear();
    {
        std::vector<std::uint8_t, WipingAllocator<std::uint8_t, RecordingAllocator<std::uint8_t>>> key;
        for (int i = 0; i < 100; ++i)
            key.push_back(static_cast<std::uint8_t>(0xA5)); // several reallocations
        std::vector<std::uint32_t, WipingAllocator<std::uint32_t, RecordingAllocator<std::uint32_t>>> schedule(
            60, 0xDEADBEEF);
        schedule = decltype(schedule)(120, 0xFEEDFACE); // move-assignment frees the first block
    }
    ASSERT_GE(g_freed.size(), 4u) << "growth, replacement and destruction each free a block";
    for (std::size_t i = 0; i < g_freed.size(); ++i) {
        EXPECT_FALSE(g_freed[i].empty());
        EXPECT_TRUE(AllZero(g_freed[i])) << "block " << i;
    }
}

TEST(SecureWipe, SecretTextKeepsItsCharactersInWipedStorage)
{
    SecretText key;
    for (char c : std::string("key text\r\r"))
        key.Append(c);
    while (key.Back() == '\r')
        key.PopBack();
    EXPECT_EQ(key.View(), "key text");
    EXPECT_EQ(key.Size(), 8u);

    SecretText moved = std::move(key);
    EXPECT_EQ(moved.View(), "key text");
    moved.Wipe();
    EXPECT_TRUE(moved.Empty());
    EXPECT_EQ(moved.View(), "");
    EXPECT_EQ(SecretText("abc").View(), "abc");
}
