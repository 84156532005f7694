#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quorvel::platform {

// Why an operating-system operation failed. Callers mostly ignore failures, as the
// program's rule is to skip a failing step; the code is there for the few that care.
enum class Errc {
    NotFound,        // no such process, file, key or value
    AccessDenied,    // the system refused the right to do it
    InvalidArgument, // the request itself was malformed (PID 0, empty path)
    Unsupported,     // this backend cannot do it (no X display, no such facility)
    Io,              // a read or write failed part-way
    Failed,          // anything else the system reported
};

struct Error {
    Errc code = Errc::Failed;
    std::string message;
};

// A value or the reason there is none. Nothing in the platform layer throws.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T valueOr(T fallback) const { return ok() ? std::get<0>(m_state) : std::move(fallback); }

    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

using Status = Result<void>;

inline Error MakeError(Errc code, std::string message = {}) {
    return Error{code, std::move(message)};
}

} // namespace quorvel::platform
