#include "platform/win32/AnsiText.h"
#include "platform/win32/Backends.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Error.h"

#include <cstring>

namespace quorvel::platform::win32_backend {
namespace {

// The access masks the program has always asked for.
constexpr DWORD kAllProcessAccess = 0x1F0FFF;
constexpr DWORD kQueryInformation = 0x400;
constexpr DWORD kQueryAndRead = 0x410;

// A fixed ANSI field up to its first NUL; no NUL at all gives nothing.
std::string FieldText(const char* field, size_t size) {
    const void* nul = std::memchr(field, '\0', size);
    if (nul == nullptr)
        return {};
    return AnsiToUtf8(std::string_view(field, static_cast<const char*>(nul) - field));
}

uint64_t StartTimeOf(DWORD pid) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return 0;
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
        return 0;
    return (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// Module snapshots fail with ERROR_BAD_LENGTH while the target is loading a module.
UniqueHandle ModuleSnapshot(DWORD pid) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
        if (snapshot || GetLastError() != ERROR_BAD_LENGTH)
            return snapshot;
    }
    return UniqueHandle();
}

Error ProcessOpenError(DWORD pid) {
    // OpenProcess reports a PID that names no process as an invalid parameter.
    const DWORD code = GetLastError();
    if (code == ERROR_INVALID_PARAMETER)
        return MakeError(Errc::NotFound, "no process " + std::to_string(pid));
    return ErrorFromCode(code, "OpenProcess");
}

class ToolhelpProcesses final : public Processes {
public:
    Result<std::vector<ProcessEntry>> ListProcesses() override {
        UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot)
            return LastError("CreateToolhelp32Snapshot");
        std::vector<ProcessEntry> list;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot.get(), &entry); more;
             more = Process32Next(snapshot.get(), &entry)) {
            // Windows lists the idle process first, as PID 0; Wine has none, so the entry
            // is dropped by its PID rather than by its place.
            if (entry.th32ProcessID == 0)
                continue;
            ProcessEntry e;
            e.pid = entry.th32ProcessID;
            e.parentPid = entry.th32ParentProcessID;
            e.threadCount = entry.cntThreads;
            e.basePriority = entry.pcPriClassBase;
            e.usage = entry.cntUsage;
            e.defaultHeapId = static_cast<uint32_t>(entry.th32DefaultHeapID);
            e.moduleId = entry.th32ModuleID;
            e.flags = entry.dwFlags;
            e.exeName = FieldText(entry.szExeFile, sizeof(entry.szExeFile));
            e.startTime = StartTimeOf(entry.th32ProcessID);
            list.push_back(std::move(e));
        }
        return list;
    }

    Result<std::vector<ThreadEntry>> ListThreads(uint32_t pid) override {
        // The snapshot holds every thread of the system whatever the PID says.
        UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid));
        if (!snapshot)
            return LastError("CreateToolhelp32Snapshot");
        std::vector<ThreadEntry> list;
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Thread32First(snapshot.get(), &entry); more;
             more = Thread32Next(snapshot.get(), &entry)) {
            if (entry.th32OwnerProcessID != pid)
                continue;
            ThreadEntry t;
            t.threadId = entry.th32ThreadID;
            t.ownerPid = entry.th32OwnerProcessID;
            t.basePriority = entry.tpBasePri;
            t.deltaPriority = entry.tpDeltaPri;
            t.usage = entry.cntUsage;
            t.flags = entry.dwFlags;
            list.push_back(t);
        }
        return list;
    }

    Status SuspendProcess(uint32_t pid) override {
        // Holding ourselves would suspend the calling thread, with nobody left to resume.
        if (pid == GetCurrentProcessId())
            return MakeError(Errc::InvalidArgument, "will not suspend the own process");
        return ForEachThread(pid, SuspendThread);
    }
    Status ResumeProcess(uint32_t pid) override { return ForEachThread(pid, ResumeThread); }

    Status KillProcess(uint32_t pid) override {
        if (pid == 0)
            return MakeError(Errc::InvalidArgument, "PID 0");
        UniqueHandle process(OpenProcess(kAllProcessAccess, FALSE, pid));
        if (!process)
            return ProcessOpenError(pid);
        if (!TerminateProcess(process.get(), 0))
            return LastError("TerminateProcess");
        return {};
    }

    uint32_t GetPriorityClass(uint32_t pid) override {
        UniqueHandle process(OpenProcess(kQueryInformation, FALSE, pid));
        if (!process)
            return 0;
        return ::GetPriorityClass(process.get());
    }

    Result<std::vector<std::string>> ListModules(uint32_t pid) override {
        if (pid == 0)
            return MakeError(Errc::InvalidArgument, "PID 0");
        UniqueHandle snapshot = ModuleSnapshot(pid);
        if (!snapshot)
            return LastError("CreateToolhelp32Snapshot");
        MODULEENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        if (!Module32First(snapshot.get(), &entry))
            return LastError("Module32First");
        std::vector<std::string> paths;
        do {
            paths.push_back(FieldText(entry.szExePath, sizeof(entry.szExePath)));
        } while (Module32Next(snapshot.get(), &entry));
        return paths;
    }

    Result<std::string> QueryImagePath(uint32_t pid) override {
        UniqueHandle process(OpenProcess(kQueryAndRead, FALSE, pid));
        if (!process)
            return ProcessOpenError(pid);
        HMODULE modules[50] = {};
        DWORD needed = 0;
        if (!EnumProcessModules(process.get(), modules, sizeof(modules), &needed))
            return LastError("EnumProcessModules");
        char path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameExA(process.get(), modules[0], path, MAX_PATH);
        if (length == 0)
            return LastError("GetModuleFileNameExA");
        return AnsiToUtf8(std::string_view(path, length));
    }

    uint32_t CurrentProcessId() override { return GetCurrentProcessId(); }

private:
    // Opens each thread of pid in snapshot order and applies op once; a thread that
    // cannot be opened or changed is skipped and the walk goes on.
    Status ForEachThread(uint32_t pid, DWORD(WINAPI* op)(HANDLE)) {
        if (pid == 0)
            return MakeError(Errc::InvalidArgument, "PID 0");
        auto threads = ListThreads(pid);
        if (!threads)
            return threads.error();
        if (threads.value().empty())
            return MakeError(Errc::NotFound, "no thread of process " + std::to_string(pid));
        Status status;
        for (const ThreadEntry& t : threads.value()) {
            UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, t.threadId));
            if (!thread) {
                if (status)
                    status = LastError("OpenThread");
                continue;
            }
            if (op(thread.get()) == static_cast<DWORD>(-1) && status)
                status = LastError("SuspendThread/ResumeThread");
        }
        return status;
    }
};

} // namespace

std::unique_ptr<Processes> CreateToolhelpProcesses() {
    return std::make_unique<ToolhelpProcesses>();
}

} // namespace quorvel::platform::win32_backend
