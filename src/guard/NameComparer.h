#pragma once

#include "guard/SnapshotName.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quorvel::guard {

// Which names of a snapshot are new and which names of the snapshot before have ended,
// comparing in upper case. A previous name matches at most one current name, the earliest
// one not yet matched; a previous name has ended only when no current name equals it.
// One pass over each list through a counted multiset, instead of a nested scan.
class NameComparer {
public:
    // newFlags[i]: 1 when current[i] is matched by a previous name, 0 when it is new.
    // endedFlags[j]: 1 when some current name equals previous[j], 0 when it has ended.
    void Compare(std::span<const SnapshotName> previous, std::span<const SnapshotName> current,
                 std::vector<uint8_t>& newFlags, std::vector<uint8_t>& endedFlags);

private:
    struct Bucket {
        uint64_t hash = 0;
        const SnapshotName* key = nullptr; // nullptr: empty bucket
        int32_t previousCount = 0;
        int32_t currentCount = 0;
    };

    Bucket& FindOrInsert(const SnapshotName& name);

    std::vector<Bucket> m_buckets; // kept between calls to spare the allocation
    std::vector<uint32_t> m_previousBucket;
    size_t m_mask = 0;
};

} // namespace quorvel::guard
