#include "platform/linux/ExecImage.h"

#include "platform/linux/ProcfsIo.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace quorvel::platform::linux_backend {
namespace {

bool ReadAt(int fd, void* out, size_t size, uint64_t offset) {
    auto* bytes = static_cast<char*>(out);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

template <typename Header, typename ProgramHeader>
std::optional<std::string> InterpreterOf(int fd) {
    Header header{};
    if (!ReadAt(fd, &header, sizeof header, 0) || header.e_phentsize != sizeof(ProgramHeader) ||
        header.e_phnum == 0 || header.e_phnum > 4096)
        return std::nullopt;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        ProgramHeader program{};
        if (!ReadAt(fd, &program, sizeof program, header.e_phoff + uint64_t{i} * sizeof program))
            return std::nullopt;
        if (program.p_type != PT_INTERP)
            continue;
        if (program.p_filesz < 2 || program.p_filesz > PATH_MAX)
            return std::nullopt;
        std::string path(program.p_filesz, '\0');
        if (!ReadAt(fd, path.data(), path.size(), program.p_offset))
            return std::nullopt;
        path.resize(std::strlen(path.c_str()));
        return path;
    }
    return std::nullopt;
}

std::optional<uint64_t> Hex(std::string_view text) {
    if (text.starts_with("0x"))
        text.remove_prefix(2);
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<FileId> FileIdOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

std::optional<FileId> FileIdAt(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

std::optional<std::string> ElfInterpreter(int fd) {
    std::array<unsigned char, EI_NIDENT> ident{};
    if (!ReadAt(fd, ident.data(), ident.size(), 0) ||
        std::memcmp(ident.data(), ELFMAG, SELFMAG) != 0)
        return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64)
        return InterpreterOf<Elf64_Ehdr, Elf64_Phdr>(fd);
    if (ident[EI_CLASS] == ELFCLASS32)
        return InterpreterOf<Elf32_Ehdr, Elf32_Phdr>(fd);
    return std::nullopt;
}

std::optional<std::string> SyscallLine(uint32_t pid) {
    std::array<char, 512> buffer;
    const std::string path = "/proc/" + std::to_string(pid) + "/syscall";
    auto size = ReadSmallFileAt(-1, path.c_str(), buffer);
    if (!size || *size == 0)
        return std::nullopt;
    return std::string(buffer.data(), *size);
}

std::optional<std::string> ExecFileNameArgument(uint32_t pid, const std::string& syscallLine) {
    std::vector<std::string_view> fields;
    std::string_view rest(syscallLine);
    while (!rest.empty()) {
        const size_t space = rest.find_first_of(" \n");
        if (space != 0)
            fields.push_back(rest.substr(0, space));
        if (space == std::string_view::npos)
            break;
        rest.remove_prefix(space + 1);
    }
    long number = -1;
    if (fields.empty() ||
        std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), number).ec !=
            std::errc())
        return std::nullopt;
    size_t argument = 0;
    if (number == SYS_execve)
        argument = 1;
    else if (number == SYS_execveat)
        argument = 2;
    else
        return std::nullopt;
    if (fields.size() <= argument)
        return std::nullopt;
    const auto address = Hex(fields[argument]);
    if (!address || *address == 0)
        return std::nullopt;
    UniqueFd memory(
        ::open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC));
    if (!memory.valid())
        return std::nullopt;
    // Path names end within the kernel's own limit for them.
    constexpr size_t kLimit = 64 * 1024;
    std::string name;
    std::array<char, 4096> chunk;
    while (name.size() < kLimit) {
        const ssize_t n = ::pread(memory.get(), chunk.data(), chunk.size(),
                                  static_cast<off_t>(*address + name.size()));
        if (n <= 0)
            return std::nullopt;
        const char* end = static_cast<const char*>(std::memchr(chunk.data(), '\0', n));
        if (end) {
            name.append(chunk.data(), static_cast<size_t>(end - chunk.data()));
            return name;
        }
        name.append(chunk.data(), static_cast<size_t>(n));
    }
    return std::nullopt;
}

} // namespace quorvel::platform::linux_backend
