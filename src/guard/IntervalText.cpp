#include "guard/IntervalText.h"

#include <cstdint>

namespace quorvel::guard {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

ParsedInterval ParseInterval(std::string_view text) {
    if (text.empty())
        return {IntervalKind::Empty, 0};
    std::string_view number = Trim(text);
    const ParsedInterval invalid{IntervalKind::Invalid, 0};

    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    const size_t separator = number.find_first_of(".,");
    std::string_view whole = number.substr(0, separator);
    std::string_view fraction =
        separator == std::string_view::npos ? std::string_view() : number.substr(separator + 1);
    if (whole.empty() && fraction.empty())
        return invalid;
    for (char c : whole) {
        if (!IsDigit(c))
            return invalid;
    }
    for (char c : fraction) {
        if (!IsDigit(c))
            return invalid;
    }

    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    const bool zero = whole.empty() && fraction.find_first_not_of('0') == std::string_view::npos;
    if (zero)
        return {IntervalKind::Period, kDefaultPeriodMs};
    if (negative || whole.size() > 5)
        return invalid;

    // Milliseconds exactly: whole seconds, three fraction digits, then round on the rest.
    int64_t ms = 0;
    for (char c : whole)
        ms = ms * 10 + (c - '0');
    for (size_t i = 0; i < 3; ++i)
        ms = ms * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    if (fraction.size() > 3) {
        const char first = fraction[3];
        const bool restNonZero =
            fraction.substr(4).find_first_not_of('0') != std::string_view::npos;
        if (first > '5' || (first == '5' && (restNonZero || ms % 2 == 1)))
            ++ms;
    }
    if (ms < kMinPeriodMs || ms > kMaxPeriodMs)
        return invalid;
    return {IntervalKind::Period, static_cast<int>(ms)};
}

std::string IntervalText(int periodMs) {
    std::string text = std::to_string(periodMs / 1000);
    int fraction = periodMs % 1000;
    if (fraction == 0)
        return text;
    std::string digits = std::to_string(1000 + fraction).substr(1); // three digits
    while (digits.back() == '0')
        digits.pop_back();
    return text + "." + digits;
}

} // namespace quorvel::guard
