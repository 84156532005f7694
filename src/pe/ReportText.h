#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace quorvel::pe {

// How far one report text may grow. A crafted file can make the walks print without end
// (one thunk table shared by every import descriptor), so each text stops here.
inline constexpr size_t kReportTextLimit = 64 * 1024 * 1024;

// How a walk over one table ended.
enum class WalkEnd {
    Done,
    Stopped, // the file's data stopped the walk
    Cut,     // the text reached its limit and ends with the line saying so
};

// When text has reached limit, appends the line saying it was cut and returns true.
bool CutWhenFull(std::string& text, size_t limit);

// Appends the line and CR LF; an empty line is an append of the empty string.
void AppendReportLine(std::string& text, std::string_view line);

// Ends the line being built in place.
inline void EndReportLine(std::string& text) {
    text += "\r\n";
}

// The text before its first NUL, or the whole text when it has none.
std::string_view CutAtNul(std::string_view text);

// Upper-case hexadecimal digits without leading zeros of the field's width taken as
// unsigned: a 16-bit field gives at most 4 digits, a 32-bit one at most 8.
void AppendHexDigits(std::string& text, uint32_t value);

template <std::signed_integral Field> void AppendHex(std::string& text, Field value) {
    AppendHexDigits(text, static_cast<std::make_unsigned_t<Field>>(value));
}

// The signed value, a minus sign when negative, no leading blank.
void AppendDecimal(std::string& text, int64_t value);

// A whole line: the label, then the value.
template <std::signed_integral Field>
void AppendHexLine(std::string& text, std::string_view label, Field value) {
    text += label;
    AppendHex(text, value);
    EndReportLine(text);
}

inline void AppendDecimalLine(std::string& text, std::string_view label, int64_t value) {
    text += label;
    AppendDecimal(text, value);
    EndReportLine(text);
}

} // namespace quorvel::pe
