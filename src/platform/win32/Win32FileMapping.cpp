#include "platform/win32/Win32FileMapping.h"

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32FileOpen.h"

#include <cstdint>

namespace quorvel::platform::win32_backend {

Result<std::unique_ptr<ReadOnlyMapping>> Win32FileMapping::Map(const std::string& path) {
    auto file = OpenWin32File(
        path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!file)
        return file.error();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.value().get(), &size))
        return LastError("GetFileSizeEx");
    if (size.QuadPart == 0) // a mapping of nothing cannot be created
        return std::unique_ptr<ReadOnlyMapping>(std::make_unique<Win32FileMapping>());
    if (static_cast<uint64_t>(size.QuadPart) > SIZE_MAX)
        return MakeError(Errc::Unsupported, "file larger than the address space");

    // The mapping keeps the file open; its own handle is not needed past this point.
    UniqueHandle mapping(
        CreateFileMappingW(file.value().get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return LastError("CreateFileMappingW");
    const void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr)
        return LastError("MapViewOfFile");
    return std::unique_ptr<ReadOnlyMapping>(
        std::make_unique<Win32FileMapping>(std::move(mapping), static_cast<const std::byte*>(view),
                                           static_cast<size_t>(size.QuadPart)));
}

Win32FileMapping::~Win32FileMapping() {
    if (m_view != nullptr)
        UnmapViewOfFile(m_view);
}

} // namespace quorvel::platform::win32_backend
