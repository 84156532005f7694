#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::store {

// What a list file holds, read the way comma-separated input is read: fields end at a
// comma or a line end, leading blanks are skipped, a field starting with a double quote
// runs to the next one. A field whose first five characters are "kenal" is an entry; its
// name runs from the first "|" to the next "|" or the field's end.
struct TrustListFileEntries {
    std::vector<std::string> names; // every entry in file order
    // An entry field without "|" ends the reading; it still takes a (blank) place, which
    // is the last element of names.
    bool endedAtFieldWithoutBar = false;
};

TrustListFileEntries ParseTrustListText(std::string_view text);

// The fields of the text in order, as the reader above sees them.
std::vector<std::string> SplitInputFields(std::string_view text);

// The line a list file stores for one name: "kenal|", the name, CR LF; quoted when the
// name holds a comma.
std::string TrustListLine(std::string_view name);

} // namespace quorvel::store
