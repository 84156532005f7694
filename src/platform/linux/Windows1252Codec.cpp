#include "platform/linux/Backends.h"

#include <array>
#include <cstdint>

namespace quorvel::platform::linux_backend {

namespace {

// 0x80..0x9F. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 control with the same number, as Windows itself converts them, so every
// byte survives a trip to UTF-8 and back.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

// -1 when the code page has no byte for the character.
int ByteOf(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == codePoint)
            return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; -1 for a malformed one.
int64_t NextCodePoint(const std::string& text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return -1;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size())
            return -1;
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return -1;
        c = (c << 6) | (next & 0x3F);
        ++i;
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return -1;
    return c;
}

class Windows1252Codec final : public AnsiCodec {
public:
    Result<std::string> ToAnsi(const std::string& utf8) override {
        std::string ansi;
        ansi.reserve(utf8.size());
        for (size_t i = 0; i < utf8.size();) {
            const size_t at = i;
            const int64_t c = NextCodePoint(utf8, i);
            if (c < 0)
                return MakeError(Errc::InvalidArgument,
                                 "malformed UTF-8 at byte " + std::to_string(at));
            const int byte = ByteOf(static_cast<char32_t>(c));
            if (byte < 0)
                return MakeError(Errc::InvalidArgument,
                                 "\"" + utf8.substr(at, i - at) + "\" has no Windows-1252 byte");
            ansi += static_cast<char>(byte);
        }
        return ansi;
    }

    std::string FromAnsi(const std::string& ansi) override {
        std::string utf8;
        utf8.reserve(ansi.size());
        for (char byte : ansi)
            AppendUtf8(utf8, CodePointOf(static_cast<unsigned char>(byte)));
        return utf8;
    }
};

} // namespace

std::unique_ptr<AnsiCodec> CreateWindows1252Codec() {
    return std::make_unique<Windows1252Codec>();
}

} // namespace quorvel::platform::linux_backend
