#pragma once

namespace quorvel::guard {

// Holds a busy flag for its lifetime. A second guard on the same flag, made while the
// first lives (from an event loop run in the middle of a pass), is not entered.
class ReentryGuard {
public:
    explicit ReentryGuard(bool& busy) : m_busy(busy), m_entered(!busy) {
        if (m_entered)
            m_busy = true;
    }
    ~ReentryGuard() {
        if (m_entered)
            m_busy = false;
    }
    ReentryGuard(const ReentryGuard&) = delete;
    ReentryGuard& operator=(const ReentryGuard&) = delete;

    explicit operator bool() const { return m_entered; }

private:
    bool& m_busy;
    bool m_entered;
};

} // namespace quorvel::guard
