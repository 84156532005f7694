#include "platform/Platform.h"

namespace quorvel::platform {

// Not built yet.
Platform CreateNativePlatform() { return {}; }

} // namespace quorvel::platform
