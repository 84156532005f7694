#include "platform/contract/ContractSupport.h"

#include <ctime>

namespace quorvel::contract {
namespace {

class ShellContract : public ContractTest {
protected:
    platform::Shell& shell() { return *m_platform.shell; }
};

TEST_F(ShellContract, ExecutableAndFolderNameThisProgram) {
    const std::string path = shell().ExecutablePath();
    const std::string folder = shell().ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), m_platform.files->PathSeparator()) << "no trailing separator";
    EXPECT_EQ(path.substr(0, folder.size() + 1), folder + m_platform.files->PathSeparator());
    EXPECT_TRUE(m_platform.files->Exists(path));
    EXPECT_FALSE(m_platform.files->IsDirectory(path));
    EXPECT_TRUE(m_platform.files->IsDirectory(folder));
    EXPECT_TRUE(m_platform.files->Exists(HelperPath())) << "the helper is built beside the tests";
}

TEST_F(ShellContract, EnvironmentVariablesAreReadAndUnsetOnesAreEmpty) {
    EXPECT_FALSE(shell().EnvironmentVariable("PATH").empty());
    EXPECT_EQ(shell().EnvironmentVariable("QUORVEL_CONTRACT_SURELY_UNSET_42"), "");
    EXPECT_EQ(shell().EnvironmentVariable(""), "");
}

TEST_F(ShellContract, DateAndTimeTextsShowTheLocalMoment) {
    // 7 March 2013, 14:05:09 local time: every field distinct.
    std::tm local{};
    local.tm_year = 2013 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 7;
    local.tm_hour = 14;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));

    const std::string date = shell().ShortDateText(when);
    EXPECT_NE(date.find('7'), std::string::npos) << date;
    EXPECT_NE(date.find('3'), std::string::npos) << date;
    EXPECT_NE(date.find("13"), std::string::npos) << date;
    EXPECT_EQ(date.find("05"), std::string::npos) << date << " holds no time";

    const std::string time = shell().TimeText(when);
    EXPECT_NE(time.find("05"), std::string::npos) << time;
    EXPECT_NE(time.find("09"), std::string::npos) << time;
    EXPECT_TRUE(time.find("14") != std::string::npos || time.find('2') != std::string::npos)
        << time << " shows the hour";
    EXPECT_EQ(time.find("2013"), std::string::npos) << time << " holds no date";
}

TEST_F(ShellContract, SixtyFourBitMachineIsReported) {
    // Every machine the tests run on is 64-bit, and so is every build that runs them.
    EXPECT_TRUE(shell().Is64BitMachine());
}

TEST_F(ShellContract, ExecuteStartsTheProgramInTheFolderGiven) {
    // The helper reports its PID through the heartbeat file, named relative to the
    // working folder, so the file appearing shows both the start and the folder.
    ASSERT_TRUE(shell().Execute(HelperPath(), "heartbeat.txt", m_temp.utf8()));
    std::optional<Heartbeat> beat;
    ASSERT_TRUE(WaitUntil([&] { return (beat = ReadHeartbeat(m_heartbeat)).has_value(); }))
        << "the program did not start in " << m_temp.utf8();
    const auto pid = static_cast<uint32_t>(beat->pid);
    EXPECT_TRUE(m_platform.processes->KillProcess(pid));
    EXPECT_TRUE(WaitUntil([&] {
        auto list = m_platform.processes->ListProcesses();
        if (!list)
            return false;
        for (const auto& e : list.value())
            if (e.pid == pid && e.exeName == HelperFileName())
                return false;
        return true;
    }));

    EXPECT_FALSE(shell().Execute(m_temp.utf8("missing program"), "", m_temp.utf8()));
}

} // namespace
} // namespace quorvel::contract
