#include "platform/contract/ContractSupport.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace quorvel::contract {
namespace {

using platform::Errc;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const platform::ProcessEntry* Find(const std::vector<platform::ProcessEntry>& list, uint32_t pid) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.pid == pid; });
    return it == list.end() ? nullptr : &*it;
}

class ProcessesContract : public ContractTest {};

TEST_F(ProcessesContract, SnapshotListsTheHelperAsItsChildAndNoIdleEntry) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto& processes = *m_platform.processes;

    auto list = processes.ListProcesses();
    ASSERT_TRUE(list) << list.error().message;
    const auto* entry = Find(list.value(), helper->pid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->exeName, HelperFileName()) << "the name carries no folder";
    EXPECT_EQ(entry->parentPid, processes.CurrentProcessId());
    EXPECT_GE(entry->threadCount, 3u);

    const auto* self = Find(list.value(), processes.CurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->exeName, FileNameOf(m_platform.shell->ExecutablePath()));

    EXPECT_EQ(Find(list.value(), 0), nullptr) << "the idle pseudo-process is never listed";
    std::set<uint32_t> pids;
    for (const auto& e : list.value())
        EXPECT_TRUE(pids.insert(e.pid).second) << "PID " << e.pid << " listed twice";

    // The start time tells this process from a later one with the same PID.
    auto again = processes.ListProcesses();
    ASSERT_TRUE(again);
    const auto* same = Find(again.value(), helper->pid());
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->startTime, entry->startTime);
}

TEST_F(ProcessesContract, ThreadsAreThoseOfTheProcessOnly) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto threads = m_platform.processes->ListThreads(helper->pid());
    ASSERT_TRUE(threads) << threads.error().message;
    ASSERT_GE(threads.value().size(), 3u) << "main thread and two workers";
    std::set<uint32_t> ids;
    for (const auto& t : threads.value()) {
        EXPECT_EQ(t.ownerPid, helper->pid());
        EXPECT_TRUE(ids.insert(t.threadId).second) << "thread " << t.threadId << " twice";
    }

    auto own = m_platform.processes->ListThreads(m_platform.processes->CurrentProcessId());
    ASSERT_TRUE(own);
    for (const auto& t : own.value())
        EXPECT_EQ(ids.count(t.threadId), 0u) << "a thread of ours among the helper's";
}

// The count semantics: running again only after as many resumes as suspends.
TEST_F(ProcessesContract, SuspendHoldsTheProcessUntilEveryResume) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto& processes = *m_platform.processes;
    const uint32_t pid = helper->pid();

    // Resuming a process that was never held changes nothing.
    (void)processes.ResumeProcess(pid);
    EXPECT_TRUE(HeartbeatMoves(m_heartbeat));

    ASSERT_TRUE(processes.SuspendProcess(pid));
    EXPECT_TRUE(HeartbeatStands(m_heartbeat)) << "held after one suspend";

    ASSERT_TRUE(processes.SuspendProcess(pid));
    ASSERT_TRUE(processes.ResumeProcess(pid));
    EXPECT_TRUE(HeartbeatStands(m_heartbeat)) << "two suspends, one resume: still held";

    ASSERT_TRUE(processes.ResumeProcess(pid));
    EXPECT_TRUE(HeartbeatMoves(m_heartbeat)) << "runs again after the second resume";

    // A held process can still be listed, inspected and killed.
    ASSERT_TRUE(processes.SuspendProcess(pid));
    auto list = processes.ListProcesses();
    ASSERT_TRUE(list);
    EXPECT_NE(Find(list.value(), pid), nullptr);
    EXPECT_TRUE(processes.ListModules(pid));
    EXPECT_TRUE(m_platform.windows->ListTopLevelWindows()) << "must not wait on a held process";
    ASSERT_TRUE(processes.KillProcess(pid));
    EXPECT_TRUE(helper->WaitForExit(20s).has_value()) << "a held process dies of a kill";
}

TEST_F(ProcessesContract, KillEndsTheProcessOnceAndLaterCallsFailQuietly) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto& processes = *m_platform.processes;
    const uint32_t pid = helper->pid();

    ASSERT_TRUE(processes.KillProcess(pid));
    ASSERT_TRUE(helper->WaitForExit(20s).has_value());
    EXPECT_TRUE(WaitUntil([&] {
        auto list = processes.ListProcesses();
        return list && Find(list.value(), pid) == nullptr;
    })) << "an ended process leaves the snapshot";

    // The process is gone: every operation on it fails and reports rather than throws.
    // (Wine lets an ended process be opened for a moment after it left the snapshot.)
    EXPECT_TRUE(WaitUntil([&] { return processes.GetPriorityClass(pid) == 0; }));
    EXPECT_FALSE(processes.KillProcess(pid));
    EXPECT_FALSE(processes.SuspendProcess(pid));
    EXPECT_FALSE(processes.ResumeProcess(pid));
    EXPECT_FALSE(processes.ListModules(pid));
    EXPECT_FALSE(processes.QueryImagePath(pid));
    EXPECT_EQ(processes.GetPriorityClass(pid), 0u);
    auto threads = processes.ListThreads(pid);
    EXPECT_TRUE(!threads || threads.value().empty());
}

TEST_F(ProcessesContract, ProcessIdZeroIsRefusedEverywhereAndNoProcessHoldsItself) {
    auto& processes = *m_platform.processes;
    // Reaching the next line at all shows that no thread of ours was held.
    EXPECT_FALSE(processes.SuspendProcess(processes.CurrentProcessId()));

    EXPECT_FALSE(processes.KillProcess(0));
    EXPECT_FALSE(processes.SuspendProcess(0));
    EXPECT_FALSE(processes.ResumeProcess(0));
    EXPECT_FALSE(processes.ListModules(0));
    EXPECT_EQ(processes.GetPriorityClass(0), 0u);
}

TEST_F(ProcessesContract, ModulesAndImagePathNameTheExecutableFirst) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto& processes = *m_platform.processes;

    auto modules = processes.ListModules(helper->pid());
    ASSERT_TRUE(modules) << modules.error().message;
    ASSERT_FALSE(modules.value().empty());
    // Windows may report the path in other letter cases than it was started with.
    EXPECT_EQ(Lower(FileNameOf(modules.value().front())), Lower(HelperFileName()));
    std::set<std::string> seen;
    for (const auto& path : modules.value()) {
        EXPECT_NE(path.find_first_of("/\\"), std::string::npos) << path << " is a full path";
        EXPECT_TRUE(seen.insert(Lower(path)).second) << path << " listed twice";
    }

    auto image = processes.QueryImagePath(helper->pid());
    ASSERT_TRUE(image) << image.error().message;
    EXPECT_EQ(Lower(FileNameOf(image.value())), Lower(HelperFileName()));
}

TEST_F(ProcessesContract, NormalProcessHasNormalPriority) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    EXPECT_EQ(m_platform.processes->GetPriorityClass(helper->pid()),
              uint32_t{platform::kPriorityNormal});
}

} // namespace
} // namespace quorvel::contract
