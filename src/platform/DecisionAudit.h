#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvel::platform {

// One decision of the guard, as the audit log keeps it.
struct AuditEntry {
    std::chrono::system_clock::time_point time;
    std::string action;
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    std::string user; // filled in by the log: the owner of the process
    std::string name;
    std::string path;
    std::string sha256; // filled in by the log: of the executable file; empty if unreadable
    std::string source; // where the guard learnt of the program
};

// An append-only log of decisions in a folder. Record() returns at once: the owner and
// the hash are found, and the line written, on a thread of the log's own.
class DecisionAudit {
public:
    virtual ~DecisionAudit() = default;
    virtual void Record(AuditEntry entry) = 0;
    // Waits until everything recorded so far is written.
    virtual void Flush() = 0;
};

// Turns a complete entry into one line (without its newline).
using AuditFormat = std::function<std::string(const AuditEntry&)>;

// The log in folder/decisions.jsonl (rotated to decisions.jsonl.1 past maxBytes);
// nothing where the system has no such log.
std::unique_ptr<DecisionAudit> CreateDecisionAudit(std::string folder, AuditFormat format,
                                                   uint64_t maxBytes = 4u << 20);

inline constexpr const char* kDecisionLogFile = "decisions.jsonl";

} // namespace quorvel::platform
