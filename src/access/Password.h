#pragma once

#include <string>
#include <string_view>

namespace quorvel::access {

// Both password boxes take at most this many characters.
inline constexpr size_t kMaxPasswordLength = 15;

// The substitution set.db stores, on ANSI (Windows-1252) bytes: A-Z, a-z and 0-9 move 100
// codes up; every other byte stays. Same length out as in.
std::string EncodePassword(std::string_view ansi);

// The reverse: bytes 148-157, 165-190 and 197-222 move 100 codes down. A plain password
// that already held such bytes does not come back as it was.
std::string DecodePassword(std::string_view ansi);

} // namespace quorvel::access
