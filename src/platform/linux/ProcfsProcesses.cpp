#include "platform/linux/Backends.h"

namespace quorvel::platform::linux_backend {

// Not built yet.
std::unique_ptr<Processes> CreateProcfsProcesses() {
    return nullptr;
}

} // namespace quorvel::platform::linux_backend
