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
    // 16 bytes, so that 20,000 names fit the cache. key: 0 for an empty bucket, else the
    // name's index + 1 in previous (top bit clear) or in current (top bit set).
    struct Bucket {
        uint32_t tag = 0;
        uint32_t key = 0;
        int32_t previousCount = 0;
        int32_t currentCount = 0;
    };

    Bucket& FindOrInsert(const SnapshotName& name, uint32_t key);
    const SnapshotName& KeyName(uint32_t key) const;

    std::vector<Bucket> m_buckets; // kept between calls to spare the allocation
    std::vector<uint32_t> m_previousBucket;
    size_t m_mask = 0;
    std::span<const SnapshotName> m_previous;
    std::span<const SnapshotName> m_current;
};

} // namespace quorvel::guard
