#pragma once

#include "platform/Result.h"
#include "platform/linux/PosixFd.h"

#include <cstdint>
#include <string>

namespace quorvel::platform::linux_backend {

// Opens a regular file with the open(2) flags given (mode 0666 when it creates one). The open
// does not wait (a FIFO with no writer would block it forever), and folders, FIFOs and
// devices are refused, so callers never read or write one.
Result<PosixFd> OpenRegularFile(const std::string& path, int flags);

// Reads a regular file whole. The open never waits (a FIFO with no writer would block it
// forever); FIFOs, devices and folders are refused, and so is a file larger than limit.
// The size read at the start bounds the read: a file that grows meanwhile is read up to
// it, one that shrinks gives what is left.
Result<std::string> ReadRegularFile(const std::string& path, uint64_t limit);

} // namespace quorvel::platform::linux_backend
