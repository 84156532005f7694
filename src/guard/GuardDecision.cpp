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
    }
    return "?";
}

} // namespace quorvel::guard
