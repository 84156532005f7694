#pragma once

#include <cstdint>
#include <string>

namespace quorvel::guard {

// One executable name of a snapshot, with its upper-case hash computed once.
struct SnapshotName {
    std::string name;
    uint64_t hash = 0;
};

} // namespace quorvel::guard
