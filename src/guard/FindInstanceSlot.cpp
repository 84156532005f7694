#include "guard/FindInstanceSlot.h"

#include "guard/CaseFold.h"

namespace quorvel::guard {

std::optional<int16_t> FindInstanceSlot(const ProcessTable& table, std::string_view name) {
    const uint64_t hash = UpperCaseHash(name);
    const auto& slots = table.slots();

    size_t instances = 0;
    for (const auto& record : slots) {
        if (record.nameHash == hash && EqualsUpperCase(record.exeName, name))
            ++instances;
    }
    if (instances == 0)
        return std::nullopt;

    // The walk starts at slot 1: slot 0 is the fallback below.
    size_t exact = 0;
    for (size_t slot = 1; slot < slots.size(); ++slot) {
        if (slots[slot].nameHash == hash && slots[slot].exeName == name && ++exact == instances)
            return static_cast<int16_t>(slot);
    }

    if (slots[0].exeName == name)
        return int16_t{0};
    // Instances differing only in case: the walk cannot reach the count.
    for (size_t slot = slots.size(); slot-- > 1;) {
        if (slots[slot].nameHash == hash && slots[slot].exeName == name)
            return static_cast<int16_t>(slot);
    }
    return std::nullopt;
}

} // namespace quorvel::guard
