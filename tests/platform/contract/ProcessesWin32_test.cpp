// What only Windows can show: the suspend count of each thread, the exit code of a kill,
// priority classes given at start, and the windows a process owns.
#include "platform/contract/ContractSupport.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>
#include <windows.h>

namespace quorvel::contract {
namespace {

class ProcessesWin32 : public ContractTest {
protected:
    // Each thread's suspend count, read by suspending it once more and undoing that.
    std::vector<DWORD> SuspendCounts(uint32_t pid) {
        std::vector<DWORD> counts;
        auto threads = m_platform.processes->ListThreads(pid);
        if (!threads)
            return counts;
        for (const auto& t : threads.value()) {
            HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, t.threadId);
            if (thread == nullptr)
                continue;
            const DWORD before = SuspendThread(thread);
            const DWORD after = ResumeThread(thread);
            EXPECT_EQ(after, before + 1) << "thread " << t.threadId;
            counts.push_back(before);
            CloseHandle(thread);
        }
        return counts;
    }

    static bool AllEqual(const std::vector<DWORD>& counts, DWORD value) {
        return !counts.empty() &&
               std::all_of(counts.begin(), counts.end(), [&](DWORD c) { return c == value; });
    }
};

TEST_F(ProcessesWin32, SuspendAndResumeChangeEveryThreadCountByOne) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto& processes = *m_platform.processes;
    const uint32_t pid = helper->pid();

    EXPECT_TRUE(AllEqual(SuspendCounts(pid), 0));
    (void)processes.ResumeProcess(pid);
    EXPECT_TRUE(AllEqual(SuspendCounts(pid), 0)) << "a resume never goes below zero";

    ASSERT_TRUE(processes.SuspendProcess(pid));
    EXPECT_TRUE(AllEqual(SuspendCounts(pid), 1));
    ASSERT_TRUE(processes.SuspendProcess(pid));
    EXPECT_TRUE(AllEqual(SuspendCounts(pid), 2));
    ASSERT_TRUE(processes.ResumeProcess(pid));
    EXPECT_TRUE(AllEqual(SuspendCounts(pid), 1));
    ASSERT_TRUE(processes.ResumeProcess(pid));
    EXPECT_TRUE(AllEqual(SuspendCounts(pid), 0));
}

TEST_F(ProcessesWin32, KillTerminatesWithExitCodeZero) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    ASSERT_TRUE(m_platform.processes->KillProcess(helper->pid()));
    EXPECT_EQ(helper->WaitForExit(20s), std::optional<long>(0));
}

struct PriorityRow {
    const char* name;
    DWORD creationFlag;
    uint32_t expected;
};

class PriorityClasses : public ProcessesWin32, public ::testing::WithParamInterface<PriorityRow> {};

TEST_P(PriorityClasses, ReadBackAsStarted) {
    auto helper = StartHelper(GetParam().creationFlag);
    ASSERT_TRUE(helper);
    EXPECT_EQ(m_platform.processes->GetPriorityClass(helper->pid()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, PriorityClasses,
    ::testing::Values(
        PriorityRow{"Idle", IDLE_PRIORITY_CLASS, platform::kPriorityIdle},
        PriorityRow{"BelowNormal", BELOW_NORMAL_PRIORITY_CLASS, platform::kPriorityBelowNormal},
        PriorityRow{"AboveNormal", ABOVE_NORMAL_PRIORITY_CLASS, platform::kPriorityAboveNormal},
        PriorityRow{"High", HIGH_PRIORITY_CLASS, platform::kPriorityHigh}),
    RowName());

TEST_F(ProcessesWin32, HiddenTitledWindowIsListedWithItsOwner) {
    const std::string title = "Quorvel helper \xC3\xA9t\xC3\xA9 window"; // "été", ANSI-safe
    auto helper = StartHelper(0, title);
    ASSERT_TRUE(helper);
    bool found = false;
    ASSERT_TRUE(WaitUntil([&] {
        auto windows = m_platform.windows->ListTopLevelWindows();
        if (!windows)
            return false;
        for (const auto& w : windows.value()) {
            if (w.title == title) {
                found = true;
                EXPECT_EQ(w.ownerPid, helper->pid());
                EXPECT_NE(w.id, 0u);
                EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(w.id)));
            }
        }
        return found;
    })) << "the helper's hidden window is not listed";
}

// The keystrokes MinimizeAllWindows types, as a low-level keyboard hook sees them.
std::mutex g_keysMutex;
std::vector<std::pair<DWORD, bool>> g_keys; // virtual key, key up

LRESULT CALLBACK RecordKey(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        std::lock_guard lock(g_keysMutex);
        g_keys.emplace_back(key->vkCode, message == WM_KEYUP || message == WM_SYSKEYUP);
    }
    return CallNextHookEx(nullptr, code, message, data);
}

TEST_F(ProcessesWin32, MinimizeAllWindowsTypesWindowsM) {
    {
        std::lock_guard lock(g_keysMutex);
        g_keys.clear();
    }
    // The hook runs on a thread with a message loop of its own.
    DWORD hookThreadId = 0;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread hookThread([&] {
        hookThreadId = GetCurrentThreadId();
        HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, RecordKey, GetModuleHandleW(nullptr), 0);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
        SetEvent(ready);
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        if (hook)
            UnhookWindowsHookEx(hook);
    });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);

    ASSERT_TRUE(m_platform.windows->MinimizeAllWindows());
    const std::vector<std::pair<DWORD, bool>> expected{
        {VK_LWIN, false}, {'M', false}, {'M', true}, {VK_LWIN, true}};
    const bool seen = WaitUntil(
        [&] {
            std::lock_guard lock(g_keysMutex);
            return g_keys.size() >= expected.size();
        },
        10s);
    PostThreadMessageW(hookThreadId, WM_QUIT, 0, 0);
    hookThread.join();
    ASSERT_TRUE(seen) << "no keystrokes reached the hook";
    std::lock_guard lock(g_keysMutex);
    EXPECT_EQ(g_keys, expected);
}

} // namespace
} // namespace quorvel::contract
