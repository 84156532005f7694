#pragma once

#include <string>
#include <string_view>

namespace quorvel::pe {

// Appends name bytes from the file as UTF-8, one character per byte, read in
// Windows-1252 whatever the host, so the report is the same on every platform.
void AppendAnsiName(std::string& text, std::string_view ansi);

// The same with the letters in upper case, as the code page's upper-case mapping has it.
void AppendAnsiNameUpper(std::string& text, std::string_view ansi);

} // namespace quorvel::pe
