// What only Linux can show: a held process is stopped as a whole, and a kill is SIGKILL.
#include "platform/contract/ContractSupport.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <pthread.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::contract {
namespace {

// The state letter of /proc/PID/stat, after the parenthesised command name.
char ProcessState(uint32_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

class ProcessesLinux : public ContractTest {};

TEST_F(ProcessesLinux, HeldProcessIsStoppedUntilTheLastResume) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    auto& processes = *m_platform.processes;
    const uint32_t pid = helper->pid();

    ASSERT_TRUE(processes.SuspendProcess(pid));
    ASSERT_TRUE(processes.SuspendProcess(pid));
    EXPECT_TRUE(WaitUntil([&] { return ProcessState(pid) == 'T'; }));
    ASSERT_TRUE(processes.ResumeProcess(pid));
    EXPECT_EQ(ProcessState(pid), 'T');
    ASSERT_TRUE(processes.ResumeProcess(pid));
    EXPECT_TRUE(WaitUntil([&] { return ProcessState(pid) != 'T'; }));
}

TEST_F(ProcessesLinux, KillIsSigkill) {
    auto helper = StartHelper();
    ASSERT_TRUE(helper);
    ASSERT_TRUE(m_platform.processes->KillProcess(helper->pid()));
    EXPECT_EQ(helper->WaitForExit(20s), std::optional<long>(-SIGKILL));
}

bool Listed(platform::Processes& processes, uint32_t pid) {
    auto list = processes.ListProcesses();
    return list && std::any_of(list.value().begin(), list.value().end(),
                               [&](const auto& entry) { return entry.pid == pid; });
}

// An ended process its parent has not collected (a parent that is stopped, or busy) runs
// nothing: listed, it would stay "blocked" in the jail and be counted at exit.
TEST_F(ProcessesLinux, AZombieIsNoRunningProcess) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    const auto pid = static_cast<uint32_t>(child);
    EXPECT_TRUE(WaitUntil([&] { return ProcessState(pid) == 'Z'; }));
    EXPECT_FALSE(Listed(*m_platform.processes, pid));
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
}

// A process whose first thread ended while another runs shows 'Z' for that thread, yet it
// runs on and stays listed.
TEST_F(ProcessesLinux, AProcessWhoseFirstThreadEndedIsStillListed) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pthread_t thread;
        ::pthread_create(
            &thread, nullptr,
            [](void* fd) -> void* {
                (void)::write(*static_cast<int*>(fd), "r", 1);
                for (;;)
                    ::pause();
            },
            &ready[1]);
        // The thread alone, without unwinding into the test's frames as pthread_exit does.
        ::syscall(SYS_exit, 0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    const auto pid = static_cast<uint32_t>(child);
    EXPECT_TRUE(WaitUntil([&] { return ProcessState(pid) == 'Z'; }));
    EXPECT_TRUE(Listed(*m_platform.processes, pid));
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
}

} // namespace
} // namespace quorvel::contract
