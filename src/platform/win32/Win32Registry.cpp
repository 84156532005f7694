#include "platform/win32/AnsiText.h"
#include "platform/win32/Backends.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"

#include <climits>
#include <cstring>
#include <vector>

namespace quorvel::platform::win32_backend {
namespace {

// An open registry key, closed once.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

HKEY RootKey(RegRoot root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// Key paths and value names reach the A calls in the ANSI code page.
struct AnsiNames {
    std::string key;
    std::string name;
};

Result<AnsiNames> ToAnsiNames(const std::string& key, const std::string& name) {
    auto ansiKey = Utf8ToAnsi(key);
    if (!ansiKey)
        return ansiKey.error();
    auto ansiName = Utf8ToAnsi(name);
    if (!ansiName)
        return ansiName.error();
    return AnsiNames{std::move(ansiKey).value(), std::move(ansiName).value()};
}

class Win32Registry final : public Registry {
public:
    Result<RegValue> QueryValue(RegRoot root, const std::string& key,
                                const std::string& name) override {
        auto names = ToAnsiNames(key, name);
        if (!names)
            return names.error();
        RegistryKey opened;
        if (LONG rc = RegOpenKeyA(RootKey(root), names.value().key.c_str(), opened.out()))
            return ErrorFromCode(static_cast<unsigned long>(rc), "RegOpenKeyA");

        // The value may grow between the size query and the read; ask again then.
        RegValue value;
        DWORD size = 0;
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = kRegNone;
            LONG rc = RegQueryValueExA(opened.get(), names.value().name.c_str(), nullptr, &type,
                                       nullptr, &size);
            if (rc != ERROR_SUCCESS)
                return ErrorFromCode(static_cast<unsigned long>(rc), "RegQueryValueExA");
            value.data.resize(size);
            rc = RegQueryValueExA(opened.get(), names.value().name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(value.data.data()), &size);
            if (rc == ERROR_MORE_DATA)
                continue;
            if (rc != ERROR_SUCCESS)
                return ErrorFromCode(static_cast<unsigned long>(rc), "RegQueryValueExA");
            value.type = type;
            value.data.resize(size);
            return value;
        }
        return MakeError(Errc::Io, "registry value kept changing");
    }

    Status SetValue(RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                    std::span<const std::byte> data) override {
        auto names = ToAnsiNames(key, name);
        if (!names)
            return names.error();
        if (data.size() > UINT_MAX)
            return MakeError(Errc::InvalidArgument, "registry value too large");
        RegistryKey created;
        if (LONG rc = RegCreateKeyA(RootKey(root), names.value().key.c_str(), created.out()))
            return ErrorFromCode(static_cast<unsigned long>(rc), "RegCreateKeyA");
        // RegSetValueExA counts a NUL that follows a string's bytes into the value (and
        // reads one byte past them to see). The bytes go from a copy followed by a non-NUL
        // byte, so exactly the bytes given are stored.
        std::vector<BYTE> copy(data.size() + 1, 0xFF);
        if (!data.empty())
            std::memcpy(copy.data(), data.data(), data.size());
        if (LONG rc = RegSetValueExA(created.get(), names.value().name.c_str(), 0, type,
                                     copy.data(), static_cast<DWORD>(data.size())))
            return ErrorFromCode(static_cast<unsigned long>(rc), "RegSetValueExA");
        return {};
    }

    Status DeleteValue(RegRoot root, const std::string& key, const std::string& name) override {
        auto names = ToAnsiNames(key, name);
        if (!names)
            return names.error();
        RegistryKey opened;
        if (LONG rc = RegOpenKeyA(RootKey(root), names.value().key.c_str(), opened.out()))
            return ErrorFromCode(static_cast<unsigned long>(rc), "RegOpenKeyA");
        if (LONG rc = RegDeleteValueA(opened.get(), names.value().name.c_str()))
            return ErrorFromCode(static_cast<unsigned long>(rc), "RegDeleteValueA");
        return {};
    }
};

} // namespace

std::unique_ptr<Registry> CreateWin32Registry() {
    return std::make_unique<Win32Registry>();
}

} // namespace quorvel::platform::win32_backend
