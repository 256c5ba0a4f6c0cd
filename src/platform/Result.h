#pragma once

#include "platform/Error.h"

#include <cassert>
#include <utility>
#include <variant>

namespace qm {

// A value or the error that prevented it (an `Error` unless a caller names its own error type).
// Results cross thread and library boundaries in place of exceptions; reading the wrong side is a
// programming error (asserted).
template <typename T, typename E = Error> class [[nodiscard]] Result
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    const T& value() const&
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(m_state));
    }
    const E& error() const
    {
        assert(!ok());
        return std::get<1>(m_state);
    }

    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

private:
    std::variant<T, E> m_state;
};

// Success with nothing to carry, or the error.
template <typename E> class [[nodiscard]] Result<void, E>
{
public:
    Result() = default;
    Result(E error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const E& error() const
    {
        assert(m_failed);
        return m_error;
    }

private:
    E m_error;
    bool m_failed = false;
};

} // namespace qm
