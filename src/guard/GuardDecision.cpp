#include "guard/GuardDecision.h"

namespace quorvel::guard {

std::string_view DecisionText(DecisionKind kind) {
    switch (kind) {
    case DecisionKind::KilledAntiExe:
        return "Killed (Anti Exe)";
    case DecisionKind::Trusted:
        return "Trusted";
    case DecisionKind::Announced:
        return "Announced";
    case DecisionKind::KilledBlacklisted:
        return "Killed (Blacklist)";
    case DecisionKind::Held:
        return "Held";
    case DecisionKind::Allowed:
        return "Allowed";
    case DecisionKind::Blocked:
        return "Blocked";
    case DecisionKind::KilledNow:
        return "Killed (Kill Now)";
    case DecisionKind::HoldFailed:
        return "Not held";
    case DecisionKind::AllowedRemembered:
        return "Allowed until exit";
    case DecisionKind::BlockedRemembered:
        return "Blocked until exit";
    case DecisionKind::EndedUnheld:
        return "Ended before it could be held";
    case DecisionKind::AllowedUnjudged:
        return "Not judged";
    case DecisionKind::DeniedUnjudged:
        return "Denied unjudged";
    }
    return "?";
}

std::string_view HowText(DecisionKind kind, DecisionStage stage) {
    const bool before = stage == DecisionStage::BeforeStart;
    switch (kind) {
    case DecisionKind::KilledAntiExe:
    case DecisionKind::KilledBlacklisted:
    case DecisionKind::KilledNow:
    case DecisionKind::DeniedUnjudged:
        return before ? "denied before start" : "killed after start";
    case DecisionKind::Held:
    case DecisionKind::Blocked:
    case DecisionKind::BlockedRemembered:
        return before ? "held before start" : "stopped after start";
    case DecisionKind::Allowed:
        return before ? "released before start" : "resumed";
    case DecisionKind::Trusted:
    case DecisionKind::AllowedRemembered:
    case DecisionKind::AllowedUnjudged:
        return before ? "let go before start" : "left running";
    case DecisionKind::Announced:
        return before ? "announced, let go before start" : "announced, left running";
    case DecisionKind::HoldFailed:
        return before ? "not held, let go before start" : "not held, left running";
    case DecisionKind::EndedUnheld:
        return "ended before it could be held";
    }
    return "?";
}

} // namespace quorvel::guard
