// What only Linux can show: a held process is stopped as a whole, and a kill is SIGKILL.
#include "platform/contract/ContractSupport.h"

#include <csignal>
#include <fstream>
#include <string>

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

} // namespace
} // namespace quorvel::contract
