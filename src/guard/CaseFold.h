#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::guard {

// The guard compares executable names in upper case. Only ASCII letters fold: names are
// UTF-8 here, and the system's own comparison never folded beyond its code page either.
char UpperChar(char c);
std::string UpperCase(std::string_view text);
bool EqualsUpperCase(std::string_view a, std::string_view b);

// A hash of the upper-cased name, so that names equal in upper case hash alike.
uint64_t UpperCaseHash(std::string_view text);

} // namespace quorvel::guard
