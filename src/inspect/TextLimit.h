#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::inspect {

// The longest path the process queries return, in characters (MAX_PATH).
inline constexpr size_t kMaxPathCharacters = 260;

// The first maxCharacters characters of UTF-8 text; a character is never split.
std::string CutToCharacters(std::string_view text, size_t maxCharacters);

} // namespace quorvel::inspect
