#pragma once

#include "guard/GuardDecision.h"
#include "platform/DecisionAudit.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::guard {

// The audit's entry for a decision; the log adds the owner and the hash.
platform::AuditEntry AuditEntryOf(const GuardDecision& decision,
                                  std::chrono::system_clock::time_point time, std::string source);

// One line of decisions.jsonl: a flat JSON object, time in UTC as 2026-12-10T06:36:33Z.
// Names and paths are bytes as the system gave them, not always UTF-8. Every line is
// valid JSON all the same: well-formed UTF-8 is written as it is, control characters as
// \u00XX, and each byte that is not part of well-formed UTF-8 as \u0080 to \u00ff, the
// code point of the byte's value. Since this writer never escapes a well-formed
// character at or above U+0080, the reader below takes \u0080 to \u00ff back to the raw
// byte, so that a name reads back exactly as the system gave it; another JSON reader
// sees that byte as the Latin-1 character of the same value.
// Fields: time, action, how (where the program stood: "denied before start", ...),
// pid, ppid, user, name, path, sha256, hash_from ("file": of the file the process ran,
// opened at the decision; "path": the path hashed later, which may name another file by
// then; absent when there is no hash), source, reason (absent when there is none).
std::string DecisionJsonLine(const platform::AuditEntry& entry);

// The fields of such a line as text ("time" kept as written); nothing when the line is
// not one of ours. Older lines lack how, hash_from and reason: they read as empty.
struct DecisionLine {
    std::string time, action, how, pid, parentPid, user, name, path, sha256, hashFrom, source,
        reason;
};
std::optional<DecisionLine> ParseDecisionJsonLine(std::string_view line);

} // namespace quorvel::guard
