#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <span>
#include <string>

namespace quorvel::platform::linux_backend {

// Writes all of data to fd, retrying short writes and interrupts.
bool WriteAllToFd(int fd, std::span<const std::byte> data);

// Puts data at path so that a reader, or a crash at any moment, sees either the old file
// or the new one: a temporary file in the same folder is written, flushed, renamed over
// path, and the folder is flushed. An existing file keeps its permission bits, and its
// owner where the process may set it. Where the folder refuses new files but the file
// itself is writable, the file is rewritten in place instead. A FIFO or device at path is
// refused.
Status WriteFileAtomically(const std::string& path, std::span<const std::byte> data);

// The folder part of path ("." when there is none).
std::string FolderOf(const std::string& path);

} // namespace quorvel::platform::linux_backend
