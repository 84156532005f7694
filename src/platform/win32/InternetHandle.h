#pragma once

#include "platform/win32/Win32Api.h"

#include <utility>

namespace quorvel::platform::win32_backend {

// Owns a WinInet handle (session or request) and closes it once.
class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : m_handle(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    InternetHandle(InternetHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr)) {}
    InternetHandle& operator=(InternetHandle&& other) noexcept {
        if (this != &other) {
            close();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    ~InternetHandle() { close(); }

    explicit operator bool() const { return m_handle != nullptr; }
    HINTERNET get() const { return m_handle; }

private:
    void close() {
        if (m_handle != nullptr)
            InternetCloseHandle(m_handle);
        m_handle = nullptr;
    }

    HINTERNET m_handle = nullptr;
};

} // namespace quorvel::platform::win32_backend
