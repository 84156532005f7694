#include "guard/NameComparer.h"

#include "guard/CaseFold.h"

#include <algorithm>

namespace quorvel::guard {

NameComparer::Bucket& NameComparer::FindOrInsert(const SnapshotName& name) {
    size_t index = name.hash & m_mask;
    for (;;) {
        Bucket& bucket = m_buckets[index];
        if (bucket.key == nullptr) {
            bucket.hash = name.hash;
            bucket.key = &name;
            return bucket;
        }
        if (bucket.hash == name.hash && EqualsUpperCase(bucket.key->name, name.name))
            return bucket;
        index = (index + 1) & m_mask;
    }
}

void NameComparer::Compare(std::span<const SnapshotName> previous,
                           std::span<const SnapshotName> current, std::vector<uint8_t>& newFlags,
                           std::vector<uint8_t>& endedFlags) {
    // At most half full, so probes stay short.
    size_t capacity = 16;
    while (capacity < 2 * (previous.size() + current.size()))
        capacity *= 2;
    m_buckets.assign(capacity, Bucket{});
    m_mask = capacity - 1;

    m_previousBucket.resize(previous.size());
    for (size_t j = 0; j < previous.size(); ++j) {
        Bucket& bucket = FindOrInsert(previous[j]);
        ++bucket.previousCount;
        m_previousBucket[j] = static_cast<uint32_t>(&bucket - m_buckets.data());
    }

    // The k-th current instance of a name is matched while k previous instances exist.
    newFlags.resize(current.size());
    for (size_t i = 0; i < current.size(); ++i) {
        Bucket& bucket = FindOrInsert(current[i]);
        ++bucket.currentCount;
        newFlags[i] = bucket.currentCount <= bucket.previousCount ? 1 : 0;
    }

    endedFlags.resize(previous.size());
    for (size_t j = 0; j < previous.size(); ++j)
        endedFlags[j] = m_buckets[m_previousBucket[j]].currentCount > 0 ? 1 : 0;
}

} // namespace quorvel::guard
