#pragma once

#include "platform/Result.h"

#include <memory>
#include <string>

namespace quorvel::platform {

// A lock that the system drops with the process holding it: a copy that crashed, or was
// killed, leaves nothing behind that blocks the next one, whatever PID that one gets.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
};

// Takes the lock on the file at path (created when missing). A null lock when another
// process holds it; the failure when the file cannot be opened at all.
Result<std::unique_ptr<InstanceLock>> TryInstanceLock(const std::string& path);

} // namespace quorvel::platform
