#pragma once
// Key bytes and key texts are overwritten before their memory goes back to the allocator,
// so that a freed block, a core dump or swap does not keep a key after it was dropped.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace qb {

// Zeroes the bytes in a way the compiler may not drop as a dead store.
void SecureWipe(void* data, std::size_t size) noexcept;

// Wipes every block before handing it back to Base. Containers that use it wipe their old
// buffer on every reallocation as well as on destruction.
template <class T, class Base = std::allocator<T>>
class WipingAllocator : public Base {
public:
    using value_type = T;
    template <class U>
    struct rebind {
        using other = WipingAllocator<U, typename std::allocator_traits<Base>::template rebind_alloc<U>>;
    };

    WipingAllocator() = default;
    template <class U, class B>
    WipingAllocator(const WipingAllocator<U, B>& other) noexcept : Base(static_cast<const B&>(other))
    {
    }

    void deallocate(T* p, std::size_t n)
    {
        SecureWipe(p, n * sizeof(T));
        Base::deallocate(p, n);
    }
};

template <class T, class B, class U, class C>
bool operator==(const WipingAllocator<T, B>& a, const WipingAllocator<U, C>& b)
{
    return static_cast<const B&>(a) == static_cast<const C&>(b);
}

using SecureBytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

// A key text as typed or read from a file. No short-string buffer inside the object: every
// character lives in wiped storage.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string_view text) : m_chars(text.begin(), text.end()) {}

    std::string_view View() const { return {m_chars.data(), m_chars.size()}; }
    bool Empty() const { return m_chars.empty(); }
    std::size_t Size() const { return m_chars.size(); }
    char Back() const { return m_chars.back(); }

    void Append(char c) { m_chars.push_back(c); }
    void PopBack()
    {
        SecureWipe(&m_chars.back(), 1);
        m_chars.pop_back();
    }
    // Overwrites the text now rather than when the object goes.
    void Wipe()
    {
        SecureWipe(m_chars.data(), m_chars.size());
        m_chars.clear();
    }

private:
    std::vector<char, WipingAllocator<char>> m_chars;
};

} // namespace qb
