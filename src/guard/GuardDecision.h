#pragma once

#include "platform/DecisionAudit.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::guard {

enum class DecisionKind {
    KilledAntiExe,     // "Anti Exe Mode" killed a new process
    Trusted,           // the whitelist knows it: left alone
    Announced,         // "Just Notify" announced it
    KilledBlacklisted, // the blacklist knows it: killed
    Held,              // suspended while an alert asks
    Allowed,           // the alert's "Allow": resumed
    Blocked,           // the alert's "Block" or its countdown: stays suspended
    KilledNow,         // the alert's "Kill Now"
    HoldFailed,        // unknown, but the system refused to stop it: it runs on
    AllowedRemembered, // an "Allow" given until exit: left running without an alert
    BlockedRemembered, // a "Block" given until exit: held without an alert
    // Let run without being judged by the lists; the reason says why: a name that is never
    // judged, an exec of another PID namespace, or one the exec events could not hold.
    AllowedUnjudged,
    // Refused without being judged by the lists; the reason says why (the guard could
    // not judge it in Anti Exe mode, say, because it had no descriptor left).
    DeniedUnjudged,
    EndedUnheld, // unknown, but it had ended before the guard could hold it
};

std::string_view DecisionText(DecisionKind kind);

// Where the program stood when the decision took effect.
enum class DecisionStage {
    BeforeStart, // still inside execve: it had not run its first instruction
    Running,     // it had started: found by the timer or the proc connector, or let go
};

// How the decision took effect, for people: "denied before start", "stopped after
// start", "killed after start", ...
std::string_view HowText(DecisionKind kind, DecisionStage stage);

// What the guard did with one process, for a log of decisions.
struct GuardDecision {
    DecisionKind kind = DecisionKind::Held;
    uint32_t pid = 0;
    std::string name;
    std::string path; // "SYSTEM" stands in when the path cannot be found
    uint32_t parentPid = 0;
    std::string reason; // why it was not held or not judged; empty for the lists' decisions
    DecisionStage stage = DecisionStage::Running;
    // Where the decider had them at once (an exec event's thread, before it killed the
    // process): the owner's user ID and the executed file; else the log reads both when
    // the decision is recorded.
    std::optional<uint32_t> ownerId;
    std::shared_ptr<const platform::ExecutedFile> file;
};

} // namespace quorvel::guard
