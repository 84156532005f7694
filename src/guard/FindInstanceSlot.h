#pragma once

#include "guard/ProcessTable.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel::guard {

// The slot of the process a new name stands for: the last instance of the executable in
// table order. Nothing when the name has no record (it did not fit into the table): the
// guard then leaves the name alone rather than act on whichever process holds slot 0.
// When instances differ only in case, or one of them is in slot 0, it is the last
// instance spelled exactly as the name.
std::optional<int16_t> FindInstanceSlot(const ProcessTable& table, std::string_view name);

} // namespace quorvel::guard
