#include "platform/contract/HelperProcess.h"

#include <windows.h>

namespace quorvel::contract {

namespace {

std::wstring Widen(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

// Our arguments hold no quotes or trailing backslashes, so plain quoting is enough.
std::wstring Quoted(const std::string& word) {
    return L"\"" + Widen(word) + L"\"";
}

} // namespace

std::unique_ptr<HelperProcess> HelperProcess::Start(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    uint32_t priorityClass) {
    std::wstring commandLine = Quoted(program);
    for (const auto& argument : arguments)
        commandLine += L" " + Quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(Widen(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        priorityClass, nullptr, nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    // Wine starts every process at normal priority whatever the creation flags say.
    if (priorityClass != 0)
        SetPriorityClass(info.hProcess, priorityClass);
    return std::make_unique<HelperProcess>(info.dwProcessId,
                                           reinterpret_cast<intptr_t>(info.hProcess));
}

std::optional<long> HelperProcess::WaitForExit(std::chrono::milliseconds timeout) {
    HANDLE process = reinterpret_cast<HANDLE>(m_handle);
    if (WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    // Our handle would keep the ended process's object, and its PID, alive.
    CloseHandle(process);
    m_handle = 0;
    m_ended = true;
    return static_cast<long>(code);
}

HelperProcess::~HelperProcess() {
    if (m_ended)
        return;
    HANDLE process = reinterpret_cast<HANDLE>(m_handle);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}

} // namespace quorvel::contract
