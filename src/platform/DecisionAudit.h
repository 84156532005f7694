#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quorvel::platform {

// The file a process executed, held open by whoever saw the exec (an exec event's
// descriptor on Linux), so that the log hashes that file and not what its path names by
// the time the hash is taken.
class ExecutedFile {
public:
    virtual ~ExecutedFile() = default;
    virtual int descriptor() const = 0;
};

// One decision of the guard, as the audit log keeps it.
struct AuditEntry {
    std::chrono::system_clock::time_point time;
    std::string action;
    std::string how; // where the program stood when the decision took effect
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    std::string user;                // the owner of the process; the log finds it when left empty
    std::optional<uint32_t> ownerId; // the owner's user ID, read when the decision was made
    std::shared_ptr<const ExecutedFile> file; // hashed, when given, instead of anything else
    std::string name;
    std::string path;
    std::string sha256;   // filled in by the log: of the executable file; empty if unreadable
    std::string hashFrom; // filled in by the log: "file" (the file the process ran) or "path"
    std::string source;   // where the guard learnt of the program
    std::string reason;   // why, where the lists did not decide alone
    // The process runs the program decided about. False while it is held or denied
    // inside execve: the system still shows the program it is leaving, so only the path
    // can be hashed.
    bool running = true;
};

// The action of the line that says how many decisions were not logged.
inline constexpr const char* kNotLoggedAction = "Not logged";

struct AuditOptions {
    uint64_t maxBytes = 4u << 20; // a file is rotated before it grows past this
    int generations = 5;          // rotated files kept: decisions.jsonl.1 to .N
    size_t queueLimit = 16384;    // decisions waiting for their hash; more are counted
};

// An append-only log of decisions in a folder. Record() returns at once, whatever the
// file: the program's file is opened (not read) and the owner read, so that both are of
// the process decided about; the hash is taken and the line written, in the order of
// Record() calls, on a thread of the log's own. Hashes are kept by file identity (device,
// inode, size, modification and change times): a file changed in place is hashed again.
// When decisions come faster than their hashes, those beyond the queue's limit are
// dropped and a line (action kNotLoggedAction) says how many.
class DecisionAudit {
public:
    virtual ~DecisionAudit() = default;
    virtual void Record(AuditEntry entry) = 0;
    // Waits until everything recorded so far is written.
    virtual void Flush() = 0;
};

// Turns a complete entry into one line (without its newline).
using AuditFormat = std::function<std::string(const AuditEntry&)>;

// The log in folder/decisions.jsonl, rotated to decisions.jsonl.1 (the older ones moving
// up to .N) past options.maxBytes; nothing where the system has no such log.
std::unique_ptr<DecisionAudit> CreateDecisionAudit(std::string folder, AuditFormat format,
                                                   AuditOptions options = {});

inline constexpr const char* kDecisionLogFile = "decisions.jsonl";

} // namespace quorvel::platform
