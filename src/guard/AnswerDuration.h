#pragma once

#include <array>
#include <string_view>

namespace quorvel::guard {

// How long an alert's "Allow" or "Block" lasts. ThisTime, the default, judges the one
// held process and nothing more.
enum class AnswerDuration {
    ThisTime,
    UntilExit, // later instances of the name get the same answer without an alert
    Always,    // the name goes into the whitelist (Allow) or the blacklist (Block)
};

inline constexpr std::array<AnswerDuration, 3> kAnswerDurations = {
    AnswerDuration::ThisTime, AnswerDuration::UntilExit, AnswerDuration::Always};

// The choice's short name: "This time", "Until Quorvel exits", "Always".
std::string_view DurationName(AnswerDuration duration);
// The choice as offered beside the answers: the name, and for "Always" what it does.
std::string_view DurationText(AnswerDuration duration);

} // namespace quorvel::guard
