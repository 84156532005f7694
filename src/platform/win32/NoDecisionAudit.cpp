#include "platform/DecisionAudit.h"

namespace quorvel::platform {

// The audit log hashes with libcrypto, which the Windows build does not link.
std::unique_ptr<DecisionAudit> CreateDecisionAudit(std::string, AuditFormat, AuditOptions) {
    return nullptr;
}

} // namespace quorvel::platform
