#include "platform/win32/Win32FileHandle.h"

#include "platform/win32/Win32Error.h"

#include <algorithm>

namespace quorvel::platform::win32_backend {

namespace {
// ReadFile and WriteFile take 32-bit counts; larger spans go in pieces.
constexpr size_t kMaxChunk = 1u << 30;
} // namespace

Result<uint64_t> Win32FileHandle::Size() {
    DWORD high = 0;
    const DWORD low = GetFileSize(m_file.get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return LastError("GetFileSize");
    return (uint64_t{high} << 32) | low;
}

Status Win32FileHandle::Seek(uint64_t offset) {
    LONG high = static_cast<LONG>(offset >> 32);
    const DWORD low =
        SetFilePointer(m_file.get(), static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return LastError("SetFilePointer");
    return {};
}

Result<size_t> Win32FileHandle::ReadAt(uint64_t offset, std::span<std::byte> buffer) {
    if (auto seek = Seek(offset); !seek)
        return seek.error();
    size_t total = 0;
    while (total < buffer.size()) {
        const DWORD want = static_cast<DWORD>(std::min(buffer.size() - total, kMaxChunk));
        DWORD got = 0;
        if (!ReadFile(m_file.get(), buffer.data() + total, want, &got, nullptr))
            return LastError("ReadFile");
        if (got == 0)
            break; // end of file
        total += got;
    }
    return total;
}

Result<size_t> Win32FileHandle::WriteAt(uint64_t offset, std::span<const std::byte> data) {
    if (auto seek = Seek(offset); !seek)
        return seek.error();
    size_t total = 0;
    while (total < data.size()) {
        const DWORD want = static_cast<DWORD>(std::min(data.size() - total, kMaxChunk));
        DWORD put = 0;
        if (!WriteFile(m_file.get(), data.data() + total, want, &put, nullptr))
            return LastError("WriteFile");
        if (put == 0)
            return MakeError(Errc::Io, "WriteFile wrote nothing");
        total += put;
    }
    return total;
}

} // namespace quorvel::platform::win32_backend
