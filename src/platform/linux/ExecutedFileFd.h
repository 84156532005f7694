#pragma once

#include "platform/DecisionAudit.h"
#include "platform/linux/ProcfsIo.h"

#include <atomic>
#include <cstddef>

namespace quorvel::platform::linux_backend {

// An exec event's descriptor of the executed file, kept for the audit's hash. Each one is
// a descriptor the guard holds: whoever makes them asks Available() first, so that a
// burst of execs cannot run the guard out of descriptors.
class ExecutedFileFd final : public ExecutedFile {
public:
    static constexpr size_t kMaxOutstanding = 64;
    static bool Available() { return s_outstanding.load() < kMaxOutstanding; }

    explicit ExecutedFileFd(UniqueFd fd) : m_fd(std::move(fd)) { ++s_outstanding; }
    ~ExecutedFileFd() override { --s_outstanding; }
    ExecutedFileFd(const ExecutedFileFd&) = delete;
    ExecutedFileFd& operator=(const ExecutedFileFd&) = delete;

    int descriptor() const override { return m_fd.get(); }

private:
    static inline std::atomic<size_t> s_outstanding{0};
    UniqueFd m_fd;
};

} // namespace quorvel::platform::linux_backend
