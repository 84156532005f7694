#include "access/Password.h"

namespace quorvel::access {

namespace {

bool InRange(unsigned code, unsigned low, unsigned high) {
    return code >= low && code <= high;
}

} // namespace

std::string EncodePassword(std::string_view ansi) {
    std::string encoded(ansi);
    for (char& c : encoded) {
        const auto code = static_cast<unsigned char>(c);
        if (InRange(code, 'A', 'Z') || InRange(code, 'a', 'z') || InRange(code, '0', '9'))
            c = static_cast<char>(code + 100);
    }
    return encoded;
}

std::string DecodePassword(std::string_view ansi) {
    std::string plain(ansi);
    for (char& c : plain) {
        const auto code = static_cast<unsigned char>(c);
        if (InRange(code, 148, 157) || InRange(code, 165, 190) || InRange(code, 197, 222))
            c = static_cast<char>(code - 100);
    }
    return plain;
}

} // namespace quorvel::access
