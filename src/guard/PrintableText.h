#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::guard {

// The length of the well-formed UTF-8 sequence at text[at] (1 to 4), or 0 when the byte
// there does not start one (a stray byte, an overlong form, a surrogate, past U+10FFFF).
size_t Utf8SequenceLength(std::string_view text, size_t at);

// Program names and paths come from whoever named the file: on a terminal or in a table
// they must not move the cursor, end a line or start an escape sequence. Control
// characters (C0, DEL, C1) become \n, \r, \t or \xNN (\u0085 for C1 code points), and
// bytes that are not UTF-8 become \xNN; everything else is kept. Backslashes are kept as
// they are, so Windows paths read as paths.
std::string PrintableText(std::string_view text);

// Printable text in a column of width terminal cells: at most width - 1 cells of it,
// cut with an ellipsis when longer, then blanks up to width, so that the next column
// never touches it. Wide (East Asian) characters take two cells, combining marks none.
std::string FitColumn(std::string_view printable, size_t width);

} // namespace quorvel::guard
