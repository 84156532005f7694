#include "inspect/ModuleList.h"
#include "inspect/ProcessControl.h"
#include "inspect/ProcessImagePath.h"
#include "inspect/TimeStamp.h"
#include "platform/Platform.h"
#include "platform/linux/TestProcesses.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::inspect {
namespace {

using test::ChildProcess;
using test::TempFolder;
namespace fs = std::filesystem;

class InspectOnLinux : public testing::Test {
protected:
    platform::Platform m_platform = platform::CreateNativePlatform();
    platform::Processes& processes() { return *m_platform.processes; }
};

int32_t EndedPid() {
    auto child = ChildProcess::Fork([] { ::pause(); });
    const pid_t pid = child.pid();
    child.kill();
    return pid;
}

TEST_F(InspectOnLinux, ModulesOfThisProcessStartWithItsExecutable) {
    const auto lines = ListModules(processes(), ::getpid());
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(lines.front(), fs::read_symlink("/proc/self/exe").string());
    EXPECT_THAT(lines, testing::Contains(testing::HasSubstr("libc.so")));
}

TEST_F(InspectOnLinux, EndedProcessGivesTheCautionLineAndSystem) {
    const int32_t pid = EndedPid();
    EXPECT_THAT(ListModules(processes(), pid), testing::ElementsAre(std::string(kModuleCaution)));
    EXPECT_EQ(GetProcessImagePath(processes(), *m_platform.shell, pid), "SYSTEM");
    EXPECT_EQ(getPriority(processes(), pid), 0u);
    KillProcess(processes(), pid); // silent
}

TEST_F(InspectOnLinux, LongExecutablePathIsCutAt260Characters) {
    TempFolder folder;
    fs::path dir = folder.path();
    while (dir.string().size() < 300)
        dir /= std::string(60, 'd');
    fs::create_directories(dir);
    const fs::path exe = dir / "sleeper";
    fs::copy_file("/bin/sleep", exe);
    auto child = ChildProcess::Spawn({exe.string(), "100"});
    ASSERT_TRUE(test::WaitUntil([&] {
        std::error_code ec;
        return fs::read_symlink("/proc/" + std::to_string(child.pid()) + "/exe", ec) == exe;
    }));
    EXPECT_EQ(GetProcessImagePath(processes(), *m_platform.shell, child.pid()),
              exe.string().substr(0, 260));
    EXPECT_EQ(ListModules(processes(), child.pid()).front(), exe.string().substr(0, 260));
}

TEST_F(InspectOnLinux, KillEndsTheProcessAndIsSilentTheSecondTime) {
    auto child = ChildProcess::Fork([] { ::pause(); });
    const pid_t pid = child.pid();
    KillProcess(processes(), pid);
    const int status = child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    KillProcess(processes(), pid);
}

TEST_F(InspectOnLinux, PriorityOfARunningProcessIsNamed) {
    EXPECT_EQ(PriorityText(getPriority(processes(), ::getpid())), "Normal");
}

TEST(TimeStampOnLinux, ShortDateAndTimeOfTheCLocale) {
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"})
        ::unsetenv(name);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    auto platform = platform::CreateNativePlatform();
    EXPECT_EQ(CurrentTimeStamp(*platform.shell, std::chrono::system_clock::from_time_t(1362665109)),
              "03/07/13 : 14:05:09");
}

} // namespace
} // namespace quorvel::inspect
