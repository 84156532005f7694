#pragma once

#include "platform/Result.h"

#include <string>

namespace quorvel::platform::linux_backend {

// The Errc that best describes an errno value.
Errc ErrcFromErrno(int error);

// An Error for a failed call on path, from errno as the call left it.
Error PosixError(const std::string& what, const std::string& path);

} // namespace quorvel::platform::linux_backend
