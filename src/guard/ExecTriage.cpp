#include "guard/ExecTriage.h"

#include <utility>

namespace quorvel::guard {

void ExecTriage::Update(Rules rules) {
    std::lock_guard lock(m_mutex);
    m_rules = std::move(rules);
}

platform::ExecVerdict ExecTriage::Judge(std::string_view name) const {
    Rules rules;
    {
        std::lock_guard lock(m_mutex);
        rules = m_rules;
    }
    using platform::ExecVerdict;
    if (!rules.running || name.find("svchost.exe") != std::string_view::npos)
        return ExecVerdict::Allow;
    if (rules.antiExe)
        return ExecVerdict::Deny;
    if (rules.lists && rules.lists->MatchesWhitelist(name))
        return ExecVerdict::Allow;
    if (rules.justNotify)
        return ExecVerdict::Allow;
    if (rules.lists && rules.lists->MatchesBlacklist(name))
        return ExecVerdict::Deny;
    return ExecVerdict::Hold;
}

} // namespace quorvel::guard
