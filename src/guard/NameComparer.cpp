#include "guard/NameComparer.h"

#include "guard/CaseFold.h"

namespace quorvel::guard {

namespace {

constexpr uint32_t kCurrentBit = 0x80000000u;

bool SameName(const SnapshotName& a, const SnapshotName& b) {
    // Most names meet themselves spelled alike: test that first.
    return a.hash == b.hash && (a.name == b.name || EqualsUpperCase(a.name, b.name));
}

} // namespace

const SnapshotName& NameComparer::KeyName(uint32_t key) const {
    const uint32_t index = (key & ~kCurrentBit) - 1;
    return (key & kCurrentBit) ? m_current[index] : m_previous[index];
}

NameComparer::Bucket& NameComparer::FindOrInsert(const SnapshotName& name, uint32_t key) {
    const auto tag = static_cast<uint32_t>(name.hash >> 32);
    auto index = static_cast<size_t>(name.hash & m_mask);
    for (;;) {
        Bucket& bucket = m_buckets[index];
        if (bucket.key == 0) {
            bucket.tag = tag;
            bucket.key = key;
            return bucket;
        }
        if (bucket.tag == tag && SameName(KeyName(bucket.key), name))
            return bucket;
        index = (index + 1) & m_mask;
    }
}

void NameComparer::Compare(std::span<const SnapshotName> previous,
                           std::span<const SnapshotName> current, std::vector<uint8_t>& newFlags,
                           std::vector<uint8_t>& endedFlags) {
    m_previous = previous;
    m_current = current;
    // At most two thirds full, so probes stay short.
    const size_t names = previous.size() + current.size();
    size_t capacity = 16;
    while (capacity < names + names / 2)
        capacity *= 2;
    m_buckets.assign(capacity, Bucket{});
    m_mask = capacity - 1;

    m_previousBucket.resize(previous.size());
    for (size_t j = 0; j < previous.size(); ++j) {
        Bucket& bucket = FindOrInsert(previous[j], static_cast<uint32_t>(j + 1));
        ++bucket.previousCount;
        m_previousBucket[j] = static_cast<uint32_t>(&bucket - m_buckets.data());
    }

    // The k-th current instance of a name is matched while k previous instances exist.
    newFlags.resize(current.size());
    for (size_t i = 0; i < current.size(); ++i) {
        Bucket& bucket = FindOrInsert(current[i], static_cast<uint32_t>(i + 1) | kCurrentBit);
        ++bucket.currentCount;
        newFlags[i] = bucket.currentCount <= bucket.previousCount ? 1 : 0;
    }

    endedFlags.resize(previous.size());
    for (size_t j = 0; j < previous.size(); ++j)
        endedFlags[j] = m_buckets[m_previousBucket[j]].currentCount > 0 ? 1 : 0;
}

} // namespace quorvel::guard
