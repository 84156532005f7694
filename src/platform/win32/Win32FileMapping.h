#pragma once

#include "platform/Files.h"
#include "platform/win32/UniqueHandle.h"

#include <memory>
#include <string>

namespace quorvel::platform::win32_backend {

// A read-only view of a whole file; an empty file has no view and gives no bytes.
class Win32FileMapping final : public ReadOnlyMapping {
public:
    // Opens for reading only, sharing read, write and delete, so the file stays as usable
    // to everyone else as when it was not open.
    static Result<std::unique_ptr<ReadOnlyMapping>> Map(const std::string& path);

    Win32FileMapping() = default; // an empty file
    Win32FileMapping(UniqueHandle mapping, const std::byte* view, size_t size)
        : m_mapping(std::move(mapping)), m_view(view), m_size(size) {}
    Win32FileMapping(const Win32FileMapping&) = delete;
    Win32FileMapping& operator=(const Win32FileMapping&) = delete;
    ~Win32FileMapping() override;

    std::span<const std::byte> Bytes() const override { return {m_view, m_size}; }

private:
    UniqueHandle m_mapping;
    const std::byte* m_view = nullptr;
    size_t m_size = 0;
};

} // namespace quorvel::platform::win32_backend
