#include "platform/InstanceLock.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"

namespace quorvel::platform {

namespace {

// A file opened with no sharing: the system closes the handle, and so frees the file,
// when the process ends in any way.
class Win32InstanceLock final : public InstanceLock {
public:
    explicit Win32InstanceLock(win32_backend::UniqueHandle file) : m_file(std::move(file)) {}

private:
    win32_backend::UniqueHandle m_file;
};

} // namespace

Result<std::unique_ptr<InstanceLock>> TryInstanceLock(const std::string& path) {
    auto wide = win32_backend::Utf8ToWide(path);
    if (!wide)
        return wide.error();
    win32_backend::UniqueHandle file(CreateFileW(wide.value().c_str(), GENERIC_READ | GENERIC_WRITE,
                                                 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return std::unique_ptr<InstanceLock>();
        return win32_backend::ErrorFromCode(error, "cannot open " + path);
    }
    return std::unique_ptr<InstanceLock>(std::make_unique<Win32InstanceLock>(std::move(file)));
}

} // namespace quorvel::platform
