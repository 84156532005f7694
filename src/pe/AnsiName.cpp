#include "pe/AnsiName.h"

#include <array>
#include <cstdint>

namespace quorvel::pe {

namespace {

// Windows-1252 0x80 to 0x9F; the five unassigned bytes keep their C1 code points.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendCodePoint(std::string& text, uint32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

uint8_t UpperAnsi(uint8_t b) {
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
        return static_cast<uint8_t>(b - 0x20);
    switch (b) {
    case 0x9A: // s caron
    case 0x9C: // oe
    case 0x9E: // z caron
        return static_cast<uint8_t>(b - 0x10);
    case 0xFF: // y diaeresis
        return 0x9F;
    default:
        return b;
    }
}

template <bool Upper> void AppendDecoded(std::string& text, std::string_view ansi) {
    for (char ch : ansi) {
        auto b = static_cast<uint8_t>(ch);
        if constexpr (Upper)
            b = UpperAnsi(b);
        if (b < 0x80)
            text += static_cast<char>(b);
        else if (b < 0xA0)
            AppendCodePoint(text, kHighControls[b - 0x80]);
        else
            AppendCodePoint(text, b);
    }
}

} // namespace

void AppendAnsiName(std::string& text, std::string_view ansi) {
    AppendDecoded<false>(text, ansi);
}

void AppendAnsiNameUpper(std::string& text, std::string_view ansi) {
    AppendDecoded<true>(text, ansi);
}

} // namespace quorvel::pe
