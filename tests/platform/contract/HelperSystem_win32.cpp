#include "platform/contract/HelperSystem.h"

#include <windows.h>

long HelperProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

void RunHelperWindow(const std::string& title, std::chrono::seconds lifetime) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuorvelContractHelper";
    RegisterClassA(&windowClass);
    // Never shown: hidden titled windows count as windows of their process all the same.
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                  0, 0, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);

    const auto end = std::chrono::steady_clock::now() + lifetime;
    SetTimer(nullptr, 0, 100, nullptr);
    MSG message;
    while (std::chrono::steady_clock::now() < end && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (window != nullptr)
        DestroyWindow(window);
}
