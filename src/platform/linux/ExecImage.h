#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::platform::linux_backend {

// A file as the kernel knows it: the same pair for every path and descriptor of it.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> FileIdOf(int fd);
std::optional<FileId> FileIdAt(const std::string& path);

// The ELF interpreter (PT_INTERP) that the kernel opens in the same execve, read
// through fd; nothing for a static program, a script or anything else.
std::optional<std::string> ElfInterpreter(int fd);

// /proc/PID/syscall: for a task blocked in a system call, its number, arguments, stack
// and instruction pointers. The same text at two moments means the task has not left
// that call in between (or made the very same call again from the same place).
std::optional<std::string> SyscallLine(uint32_t pid);

// The file name a task blocked in execve or execveat passed, read from its memory: the
// name of a program whose path the kernel cannot print (longer than PATH_MAX).
std::optional<std::string> ExecFileNameArgument(uint32_t pid, const std::string& syscallLine);

} // namespace quorvel::platform::linux_backend
