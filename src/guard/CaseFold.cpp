#include "guard/CaseFold.h"

#include <cstring>

namespace quorvel::guard {

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = UpperChar(c);
    return upper;
}

bool EqualsUpperCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    }
    return true;
}

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Upper-cases the ASCII letters of eight bytes at once.
uint64_t UpperEight(uint64_t bytes) {
    const uint64_t low7 = bytes & ~kHighBits;
    const uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;
    const uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kOnes;
    const uint64_t lower = atLeastA & ~aboveZ & ~bytes & kHighBits;
    return bytes - (lower >> 2);
}

uint64_t Mix(uint64_t hash, uint64_t chunk) {
    hash = (hash ^ chunk) * 0x9E3779B97F4A7C15ull;
    return hash ^ (hash >> 29);
}

} // namespace

uint64_t UpperCaseHash(std::string_view text) {
    // Eight bytes a step: names are hashed once per process per snapshot.
    uint64_t hash = 0x6A09E667F3BCC909ull ^ text.size();
    size_t offset = 0;
    for (; offset + 8 <= text.size(); offset += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, text.data() + offset, 8);
        hash = Mix(hash, UpperEight(chunk));
    }
    if (offset < text.size()) {
        uint64_t chunk = 0;
        std::memcpy(&chunk, text.data() + offset, text.size() - offset);
        hash = Mix(hash, UpperEight(chunk));
    }
    return Mix(hash, 0);
}

} // namespace quorvel::guard
