#pragma once

#include "guard/DecisionJson.h"
#include "guard/GuardDecision.h"

#include <string>

namespace quorvel::guard {

// One decision as one terminal line: "time | action | pid | name | path | how[: reason]".
// Whatever the program's name or path holds, it cannot end the line or forge another.
std::string DecisionRow(const std::string& timeStamp, const GuardDecision& decision);

// The audit log as a table: a heading, then one row per line of decisions.jsonl. Every
// field keeps to its column (a longer one is cut with an ellipsis) but the last, the path
// with the reason, which is whole.
std::string LogHeader();
std::string LogRow(const DecisionLine& line);

} // namespace quorvel::guard
