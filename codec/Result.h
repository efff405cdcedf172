#pragma once
// A value or the reason there is none. Each operation family names its failures in an
// enum, so callers (and tests) tell a wrong key from a damaged note without magic numbers.

#include <type_traits>
#include <utility>
#include <variant>

namespace qb {

template <class E>
struct Failure {
    E error;
};

// `return Fail(SealError::WrongKey);`
template <class E>
Failure<std::decay_t<E>> Fail(E&& error)
{
    return {std::forward<E>(error)};
}

template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    template <class G>
        requires std::is_constructible_v<E, G&&>
    Result(Failure<G> failure) : m_state(std::in_place_index<1>, std::move(failure.error))
    {
    }

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    // Only on success, as with std::optional.
    T& operator*() & { return *std::get_if<0>(&m_state); }
    const T& operator*() const& { return *std::get_if<0>(&m_state); }
    T&& operator*() && { return std::move(*std::get_if<0>(&m_state)); }
    T* operator->() { return std::get_if<0>(&m_state); }
    const T* operator->() const { return std::get_if<0>(&m_state); }
    // Throws std::bad_variant_access when there is no value.
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }

    // Only on failure.
    const E& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

template <class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <class G>
        requires std::is_constructible_v<E, G&&>
    Result(Failure<G> failure) : m_failed(true), m_error(std::move(failure.error))
    {
    }

    bool has_value() const { return !m_failed; }
    explicit operator bool() const { return has_value(); }
    const E& error() const { return m_error; }

private:
    bool m_failed = false;
    E m_error{};
};

} // namespace qb
