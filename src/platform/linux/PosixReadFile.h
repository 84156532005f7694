#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>

namespace quorvel::platform::linux_backend {

// Reads a regular file whole. The open never waits (a FIFO with no writer would block it
// forever); FIFOs, devices and folders are refused, and so is a file larger than limit.
// The size read at the start bounds the read: a file that grows meanwhile is read up to
// it, one that shrinks gives what is left.
Result<std::string> ReadRegularFile(const std::string& path, uint64_t limit);

} // namespace quorvel::platform::linux_backend
