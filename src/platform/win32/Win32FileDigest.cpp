#include "platform/FileDigest.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32FileOpen.h"

// clang-format off
#include <bcrypt.h>
// clang-format on

#include <array>
#include <cstdint>

namespace quorvel::platform {

namespace {

using win32_backend::UniqueHandle;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

constexpr char kHex[] = "0123456789abcdef";

Error CngError(NTSTATUS status, const char* what) {
    const auto value = static_cast<uint32_t>(status);
    std::string code;
    for (int shift = 28; shift >= 0; shift -= 4)
        code += kHex[(value >> shift) & 15u];
    return MakeError(Errc::Failed, std::string(what) + " failed (status 0x" + code + ")");
}

class AlgorithmHandle {
public:
    AlgorithmHandle() = default;
    AlgorithmHandle(const AlgorithmHandle&) = delete;
    AlgorithmHandle& operator=(const AlgorithmHandle&) = delete;
    ~AlgorithmHandle() {
        if (m_handle)
            BCryptCloseAlgorithmProvider(m_handle, 0);
    }
    BCRYPT_ALG_HANDLE* out() { return &m_handle; }
    BCRYPT_ALG_HANDLE get() const { return m_handle; }

private:
    BCRYPT_ALG_HANDLE m_handle = nullptr;
};

class HashHandle {
public:
    HashHandle() = default;
    HashHandle(const HashHandle&) = delete;
    HashHandle& operator=(const HashHandle&) = delete;
    ~HashHandle() {
        if (m_handle)
            BCryptDestroyHash(m_handle);
    }
    BCRYPT_HASH_HANDLE* out() { return &m_handle; }
    BCRYPT_HASH_HANDLE get() const { return m_handle; }

private:
    BCRYPT_HASH_HANDLE m_handle = nullptr;
};

} // namespace

Result<std::string> FileSha256(const std::string& path) {
    auto file = win32_backend::OpenWin32File(
        path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!file)
        return file.error();

    AlgorithmHandle algorithm;
    if (const NTSTATUS status =
            BCryptOpenAlgorithmProvider(algorithm.out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0);
        !Succeeded(status))
        return CngError(status, "BCryptOpenAlgorithmProvider");
    // The system keeps the hash object's memory itself (Windows 7 and later).
    HashHandle hash;
    if (const NTSTATUS status =
            BCryptCreateHash(algorithm.get(), hash.out(), nullptr, 0, nullptr, 0, 0);
        !Succeeded(status))
        return CngError(status, "BCryptCreateHash");

    std::array<UCHAR, 65536> buffer;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.value().get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr))
            return win32_backend::LastError("ReadFile " + path);
        if (read == 0)
            break;
        if (const NTSTATUS status = BCryptHashData(hash.get(), buffer.data(), read, 0);
            !Succeeded(status))
            return CngError(status, "BCryptHashData");
    }
    std::array<UCHAR, 32> digest{};
    if (const NTSTATUS status =
            BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
        !Succeeded(status))
        return CngError(status, "BCryptFinishHash");

    std::string text;
    text.reserve(digest.size() * 2);
    for (const UCHAR byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

} // namespace quorvel::platform
