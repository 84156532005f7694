#include "guard/PrintableText.h"

#include <cstdio>

namespace quorvel::guard {
namespace {

unsigned char Byte(std::string_view text, size_t at) {
    return static_cast<unsigned char>(text[at]);
}

char32_t DecodeAt(std::string_view text, size_t at, size_t length) {
    char32_t value = length == 1   ? Byte(text, at)
                     : length == 2 ? Byte(text, at) & 0x1Fu
                     : length == 3 ? Byte(text, at) & 0x0Fu
                                   : Byte(text, at) & 0x07u;
    for (size_t i = 1; i < length; ++i)
        value = (value << 6) | (Byte(text, at + i) & 0x3Fu);
    return value;
}

size_t CellsOf(char32_t c) {
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || c == 0xFEFF)
        return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
                      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

void AppendHex(std::string& out, const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    out += text;
}

} // namespace

size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const unsigned char lead = Byte(text, at);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        if (lead == 0xF4)
            high = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    if (Byte(text, at + 1) < low || Byte(text, at + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if ((Byte(text, at + i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            AppendHex(out, "\\x%02X", Byte(text, at));
            ++at;
            continue;
        }
        const char32_t c = DecodeAt(text, at, length);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(out, "\\x%02X", static_cast<unsigned>(c));
        } else if (c >= 0x80 && c <= 0x9F) {
            AppendHex(out, "\\u%04X", static_cast<unsigned>(c));
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    return out;
}

std::string FitColumn(std::string_view printable, size_t width) {
    if (width == 0)
        return {};
    const size_t room = width - 1;
    // The whole text, when it fits; else as much as leaves a cell for the ellipsis.
    size_t cells = 0, fitEnd = 0, cutEnd = 0, cutCells = 0;
    bool fits = true;
    for (size_t at = 0; at < printable.size();) {
        size_t length = Utf8SequenceLength(printable, at);
        const size_t c = length == 0 ? 1 : CellsOf(DecodeAt(printable, at, length));
        if (length == 0)
            length = 1;
        if (cells + c > room) {
            fits = false;
            break;
        }
        cells += c;
        at += length;
        fitEnd = at;
        if (cells + 1 <= room) {
            cutEnd = at;
            cutCells = cells;
        }
    }
    std::string out;
    if (fits) {
        out.assign(printable.substr(0, fitEnd));
    } else {
        out.assign(printable.substr(0, cutEnd));
        if (room > 0) {
            out += "\xE2\x80\xA6"; // …
            cells = cutCells + 1;
        } else {
            cells = 0;
        }
    }
    out.append(width - cells, ' ');
    return out;
}

} // namespace quorvel::guard
