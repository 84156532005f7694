#include "pe/ReportText.h"

#include <charconv>

namespace quorvel::pe {

void AppendReportLine(std::string& text, std::string_view line) {
    text += line;
    EndReportLine(text);
}

bool CutWhenFull(std::string& text, size_t limit) {
    if (text.size() < limit)
        return false;
    text += " [ Report cut: it reached ";
    AppendDecimal(text, static_cast<int64_t>(limit));
    AppendReportLine(text, " bytes ]");
    return true;
}

std::string_view CutAtNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

void AppendHexDigits(std::string& text, uint32_t value) {
    char digits[8];
    int count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (count > 0)
        text += digits[--count];
}

void AppendDecimal(std::string& text, int64_t value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, end);
}

} // namespace quorvel::pe
