#pragma once

#include <cstdint>
#include <string>

namespace quorvel::guard {

// One line of the process list (List1). Kept as its parts, so that a rebuild over
// thousands of processes allocates no text; line() is what the list shows.
struct ProcessListItem {
    uint32_t pid = 0;
    std::string name;

    // The decimal PID, "=", and the name: 1234=app.exe.
    std::string line() const;
    bool operator==(const ProcessListItem&) const = default;
};

} // namespace quorvel::guard
