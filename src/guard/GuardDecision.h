#pragma once

#include <cstdint>
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
    EndedUnheld,       // unknown, but it had ended before the guard could hold it
};

std::string_view DecisionText(DecisionKind kind);

// What the guard did with one process, for a log of decisions.
struct GuardDecision {
    DecisionKind kind = DecisionKind::Held;
    uint32_t pid = 0;
    std::string name;
    std::string path; // "SYSTEM" stands in when the path cannot be found
    uint32_t parentPid = 0;
    std::string reason; // why a hold failed or did not happen; empty otherwise
};

} // namespace quorvel::guard
