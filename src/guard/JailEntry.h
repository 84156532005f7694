#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::guard {

inline constexpr std::string_view kVerdictAllowed = "Allowed";
inline constexpr std::string_view kVerdictBlocked = "Blocked";

// The verdict history of one executable name.
struct JailEntry {
    int32_t processId = 0; // of the latest verdict
    std::string exeName;   // the key, compared in upper case
    int16_t attemptCount = 0;
    std::string lastAction; // "Allowed" or "Blocked"
    std::string firstAccessTime;
    std::string firstAccessDate;
    std::string lastAccessTime;
    bool present = false;
    std::vector<std::string> attemptTimes; // element i: time of the i-th verdict; 0 stays empty
    // Every process blocked under this name and not allowed since. processId holds only
    // the latest, and a release by it alone would leave earlier instances suspended.
    std::set<int32_t> blockedIds;
};

} // namespace quorvel::guard
