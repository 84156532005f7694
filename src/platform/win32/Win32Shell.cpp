#include "platform/win32/AnsiText.h"
#include "platform/win32/Backends.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"

namespace quorvel::platform::win32_backend {
namespace {

// 100-ns intervals between 1601-01-01 (FILETIME) and 1970-01-01 (system_clock).
constexpr int64_t kFileTimeEpochOffset = 116444736000000000;

bool ToLocalTime(std::chrono::system_clock::time_point when, SYSTEMTIME& local) {
    using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
    const int64_t ticks =
        std::chrono::duration_cast<Ticks>(when.time_since_epoch()).count() + kFileTimeEpochOffset;
    if (ticks < 0)
        return false;
    FILETIME utcFile{static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu),
                     static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
    SYSTEMTIME utc{};
    return FileTimeToSystemTime(&utcFile, &utc) &&
           SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
}

template <class Format> std::string FormatLocal(Format format) {
    char text[128] = {};
    const int length = format(text, static_cast<int>(sizeof(text)));
    if (length <= 1) // counts the NUL
        return {};
    return AnsiToUtf8(std::string_view(text, static_cast<size_t>(length - 1)));
}

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

class Win32Shell final : public Shell {
public:
    Status Execute(const std::string& file, const std::string& parameters,
                   const std::string& workingFolder) override {
        auto ansiFile = Utf8ToAnsi(file);
        auto ansiParameters = Utf8ToAnsi(parameters);
        auto ansiFolder = Utf8ToAnsi(workingFolder);
        if (!ansiFile || !ansiParameters || !ansiFolder)
            return MakeError(Errc::InvalidArgument, "text has no ANSI form");
        const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(
            nullptr, nullptr, ansiFile.value().c_str(),
            ansiParameters.value().empty() ? nullptr : ansiParameters.value().c_str(),
            ansiFolder.value().empty() ? nullptr : ansiFolder.value().c_str(), SW_SHOWNORMAL));
        // Above 32 is success; the smaller values are error codes of their own.
        if (result > 32)
            return {};
        return ErrorFromCode(static_cast<unsigned long>(result), "ShellExecuteA");
    }

    Result<uint32_t> Launch(const std::string& file, const std::string& parameters,
                            const std::string& workingFolder) override {
        auto ansiFile = Utf8ToAnsi(file);
        auto ansiParameters = Utf8ToAnsi(parameters);
        auto ansiFolder = Utf8ToAnsi(workingFolder);
        if (!ansiFile || !ansiParameters || !ansiFolder)
            return MakeError(Errc::InvalidArgument, "text has no ANSI form");
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpFile = ansiFile.value().c_str();
        info.lpParameters =
            ansiParameters.value().empty() ? nullptr : ansiParameters.value().c_str();
        info.lpDirectory = ansiFolder.value().empty() ? nullptr : ansiFolder.value().c_str();
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExA(&info))
            return LastError("ShellExecuteExA");
        // Documents and other non-programs open in a running program: no process of ours.
        if (info.hProcess == nullptr)
            return 0u;
        const DWORD pid = GetProcessId(info.hProcess);
        CloseHandle(info.hProcess);
        return static_cast<uint32_t>(pid);
    }

    std::string ExecutablePath() override {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD size = static_cast<DWORD>(path.size());
            const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
            if (length == 0)
                return {};
            if (length < size) {
                path.resize(length);
                return WideToUtf8(path);
            }
            path.resize(path.size() * 2); // truncated
        }
    }

    std::string ProgramFolder() override {
        std::string path = ExecutablePath();
        const size_t slash = path.find_last_of("\\/");
        return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }

    std::string EnvironmentVariable(const std::string& name) override {
        auto wideName = Utf8ToWide(name);
        if (!wideName || wideName.value().empty())
            return {};
        std::wstring value(256, L'\0');
        for (;;) {
            const DWORD size = static_cast<DWORD>(value.size());
            const DWORD length =
                GetEnvironmentVariableW(wideName.value().c_str(), value.data(), size);
            if (length == 0)
                return {};
            if (length < size) {
                value.resize(length);
                return WideToUtf8(value);
            }
            value.resize(length); // the size needed, NUL included
        }
    }

    std::string ShortDateText(std::chrono::system_clock::time_point when) override {
        SYSTEMTIME local{};
        if (!ToLocalTime(when, local))
            return {};
        return FormatLocal([&](char* text, int size) {
            return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text, size);
        });
    }

    std::string TimeText(std::chrono::system_clock::time_point when) override {
        SYSTEMTIME local{};
        if (!ToLocalTime(when, local))
            return {};
        return FormatLocal([&](char* text, int size) {
            return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &local, nullptr, text, size);
        });
    }

    bool Is64BitMachine() override {
        if constexpr (sizeof(void*) == 8)
            return true; // a 64-bit program runs only on a 64-bit system
        // Looked up at run time: older kernels do not export it.
        HMODULE kernel = GetModuleHandleA("kernel32");
        if (kernel == nullptr)
            return false;
        auto isWow64 = reinterpret_cast<IsWow64ProcessFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
        BOOL wow64 = FALSE;
        return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
    }
};

} // namespace

std::unique_ptr<Shell> CreateWin32Shell() {
    return std::make_unique<Win32Shell>();
}

} // namespace quorvel::platform::win32_backend
