#pragma once

#include "guard/TrustLookup.h"
#include "platform/ExecEvents.h"

#include <memory>
#include <mutex>
#include <string_view>

namespace quorvel::guard {

// The guard's rules, answerable from the exec events' own thread while the engine's
// thread is busy or blocked: the same order as a pass (never-judged names, Anti Exe, the
// whitelist, Just Notify, the blacklist), decided at once; an unknown program is held
// until the pass that judges it. The lock guards only the copy of the rules.
class ExecTriage {
public:
    struct Rules {
        // Read from the events' thread: must be safe to read while the engine runs.
        std::shared_ptr<const TrustLookup> lists;
        bool running = false;
        bool antiExe = false;
        bool justNotify = false;
    };

    void Update(Rules rules);
    platform::ExecVerdict Judge(std::string_view name) const;

private:
    mutable std::mutex m_mutex;
    Rules m_rules;
};

} // namespace quorvel::guard
