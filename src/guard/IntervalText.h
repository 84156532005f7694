#pragma once

#include <string>
#include <string_view>

namespace quorvel::guard {

inline constexpr int kDefaultPeriodMs = 250;
inline constexpr int kMinPeriodMs = 1;
inline constexpr int kMaxPeriodMs = 65535; // the platform timer's range

inline constexpr std::string_view kInvalidIntervalMessage =
    "Invalid interval,enter seconds between 0.001 and 65.535";
inline constexpr std::string_view kInvalidIntervalTitle = "Quorvel";

enum class IntervalKind {
    Empty,   // the box is empty
    Period,  // periodMs holds the period
    Invalid, // not a number, or a period outside 1..65,535 ms
};

struct ParsedInterval {
    IntervalKind kind = IntervalKind::Invalid;
    int periodMs = 0;
};

// The interval box's text, seconds as a decimal number ("." or "," before the fraction),
// to a period in milliseconds rounded half to even; a number equal to 0 is the default.
ParsedInterval ParseInterval(std::string_view text);

// A period as the interval box shows it: seconds, "." before the fraction, no trailing
// zeros ("0.25", "1.5", "2"). ParseInterval reads it back to the same period.
std::string IntervalText(int periodMs);

} // namespace quorvel::guard
