#pragma once

#include "platform/DecisionAudit.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::guard {

// One line of decisions.jsonl: a flat JSON object, time in UTC as 2026-12-10T06:36:33Z.
std::string DecisionJsonLine(const platform::AuditEntry& entry);

// The fields of such a line as text ("time" kept as written); nothing when the line is
// not one of ours.
struct DecisionLine {
    std::string time, action, pid, parentPid, user, name, path, sha256, source;
};
std::optional<DecisionLine> ParseDecisionJsonLine(std::string_view line);

} // namespace quorvel::guard
