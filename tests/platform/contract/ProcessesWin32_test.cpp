// What only Windows can show: the suspend count of each thread, the exit code of a kill,
// priority classes given at start, and the windows a process owns.
#include "platform/contract/ContractSupport.h"

#include <algorithm>
#include <optional>
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

// A shown window with a minimise box is on the screen; minimising it by its id leaves it
// iconic, and a hidden one is not on the screen.
TEST_F(ProcessesWin32, ListsWhatIsOnTheScreenAndMinimisesTheWindowGiven) {
    HWND shown = CreateWindowExW(0, L"STATIC", L"Quorvel shown window", WS_OVERLAPPEDWINDOW, 10, 10,
                                 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(shown, nullptr);
    ShowWindow(shown, SW_SHOWNOACTIVATE);
    const auto find = [&]() -> std::optional<platform::TopLevelWindow> {
        auto windows = m_platform.windows->ListTopLevelWindows();
        if (windows) {
            for (const auto& w : windows.value())
                if (w.id == reinterpret_cast<uintptr_t>(shown))
                    return w;
        }
        return std::nullopt;
    };
    auto listed = find();
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed->onScreen);
    EXPECT_EQ(listed->ownerPid, GetCurrentProcessId());

    ASSERT_TRUE(m_platform.windows->MinimizeWindows({listed->id}));
    const bool iconic = WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            return IsIconic(shown) != FALSE;
        },
        10s);
    EXPECT_TRUE(iconic);
    listed = find();
    ASSERT_TRUE(listed);
    EXPECT_FALSE(listed->onScreen);
    DestroyWindow(shown);
}

} // namespace
} // namespace quorvel::contract
