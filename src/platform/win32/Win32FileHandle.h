#pragma once

#include "platform/Files.h"
#include "platform/win32/UniqueHandle.h"

namespace quorvel::platform::win32_backend {

// A file opened with CreateFile; reads and writes move the file pointer first.
class Win32FileHandle final : public FileHandle {
public:
    explicit Win32FileHandle(UniqueHandle file) : m_file(std::move(file)) {}

    HANDLE native() const { return m_file.get(); }

    Result<uint64_t> Size() override;
    Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> buffer) override;
    Result<size_t> WriteAt(uint64_t offset, std::span<const std::byte> data) override;

private:
    Status Seek(uint64_t offset);

    UniqueHandle m_file;
};

} // namespace quorvel::platform::win32_backend
