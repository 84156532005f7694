#include "guard/CaseFold.h"

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

uint64_t UpperCaseHash(std::string_view text) {
    // FNV-1a, 64 bits.
    uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(UpperChar(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace quorvel::guard
