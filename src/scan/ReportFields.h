#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::scan {

// Splits text the way comma-separated text input reads it: a field ends at a comma or at
// the end of a line; leading blanks are skipped; a field that starts with a double quote
// runs to the next double quote, the quotes dropped, and whatever follows up to the next
// comma or line end is skipped. An empty line is one empty field; no text is no fields.
std::vector<std::string> SplitReportFields(std::string_view text);

} // namespace quorvel::scan
