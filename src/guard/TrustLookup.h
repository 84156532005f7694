#pragma once

#include <string_view>

namespace quorvel::guard {

// The guard's view of the two trust lists: true when the executable name occurs inside an
// item of the list's visible list (case-sensitive).
class TrustLookup {
public:
    virtual ~TrustLookup() = default;
    virtual bool MatchesWhitelist(std::string_view exeName) const = 0;
    virtual bool MatchesBlacklist(std::string_view exeName) const = 0;
};

} // namespace quorvel::guard
