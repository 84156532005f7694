#include "guard/FindInstanceSlot.h"

#include "guard/CaseFold.h"

namespace quorvel::guard {

std::optional<int16_t> FindInstanceSlot(const ProcessTable& table, std::string_view name) {
    const uint64_t hash = UpperCaseHash(name);
    const auto hashes = table.nameHashes();
    const auto& slots = table.slots();
    auto upperEqual = [&](size_t slot) {
        return hashes[slot] == hash && EqualsUpperCase(slots[slot].exeName, name);
    };
    auto exactEqual = [&](size_t slot) {
        return hashes[slot] == hash && slots[slot].exeName == name;
    };

    size_t instances = 0;
    for (size_t slot = 0; slot < slots.size(); ++slot) {
        if (upperEqual(slot))
            ++instances;
    }
    if (instances == 0)
        return std::nullopt;

    size_t exact = 0;
    for (size_t slot = 1; slot < slots.size(); ++slot) {
        if (exactEqual(slot) && ++exact == instances)
            return static_cast<int16_t>(slot);
    }

    // The walk misses an instance in slot 0 and instances whose names differ only in
    // case. Falling back to slot 0 there would act on an older instance, or on another
    // executable (on Linux slot 0 is init): take the last instance spelled exactly so.
    for (size_t slot = slots.size(); slot-- > 0;) {
        if (exactEqual(slot))
            return static_cast<int16_t>(slot);
    }
    return std::nullopt;
}

} // namespace quorvel::guard
