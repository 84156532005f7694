#pragma once

#include "guard/CaseFold.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorvel::guard {

// How many processes run under each executable name, names equal in upper case counted
// as one: what the snapshot comparison counts, kept up to date one process at a time.
class NameCounts {
public:
    void Clear() { m_counts.clear(); }
    void Add(std::string_view name) { ++m_counts[std::string(name)]; }
    void Remove(std::string_view name);
    int32_t Count(std::string_view name) const;

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const {
            return static_cast<size_t>(UpperCaseHash(name));
        }
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const {
            return EqualsUpperCase(a, b);
        }
    };
    template <typename T> using Map = std::unordered_map<std::string, T, Hash, Equal>;

private:
    Map<int32_t> m_counts;
};

} // namespace quorvel::guard
