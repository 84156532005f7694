#include "platform/linux/FileRegistry.h"
#include "store/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace quorvel::platform::linux_backend {
namespace {

using quorvel::testing::ReadBytes;

// Starts the writer in the background and gives its PID, which the test ends itself.
int StartWriter(const std::string& arguments, const std::string& pidFile) {
    const std::string command = std::string(QUORVEL_REGISTRY_WRITER) + " " + arguments +
                                " >/dev/null 2>&1 & echo $! > '" + pidFile + "'";
    if (std::system(command.c_str()) != 0)
        return 0;
    int pid = 0;
    std::ifstream(pidFile) >> pid;
    return pid;
}

bool IsGone(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

void KillAndWait(int pid) {
    (void)std::system(("kill -KILL " + std::to_string(pid) + " 2>/dev/null").c_str());
    for (int i = 0; i < 500 && !IsGone(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

class FileRegistryProcessesTest : public ::testing::Test {
protected:
    std::string File() { return m_temp / "HKEY_CURRENT_USER.reg"; }
    quorvel::testing::TempFolder m_temp;
};

TEST_F(FileRegistryProcessesTest, WriterKilledMidWriteLeavesOldOrNewNeverBroken) {
    FileRegistry registry({m_temp.path().string(), m_temp / "hklm", m_temp / "autostart"});
    const std::byte keep[4] = {std::byte(42), {}, {}, {}};
    ASSERT_TRUE(registry.SetValue(RegRoot::CurrentUser, "Stress", "Keep", kRegDword, keep));

    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 12; ++round) {
        const int pid = StartWriter(m_temp.path().string() + " loop Big", m_temp / "writer.pid");
        ASSERT_GT(pid, 0);
        // Let it get going, then kill it at a random moment of its loop.
        for (int i = 0; i < 500 && ReadBytes(File()).find("\"Big\"") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        KillAndWait(pid);

        const std::string text = ReadBytes(File());
        const auto parsed = ParseFileRegistry(text, "HKEY_CURRENT_USER");
        ASSERT_TRUE(parsed.sawHeader) << "round " << round;
        ASSERT_TRUE(parsed.problems.empty()) << "round " << round;
        auto document = parsed.document;
        auto* key = document.FindKey("Stress");
        ASSERT_NE(key, nullptr);
        ASSERT_NE(key->FindValue("Keep"), nullptr);
        EXPECT_EQ(key->FindValue("Keep")->data[0], std::byte(42));
        const auto* big = key->FindValue("Big");
        ASSERT_NE(big, nullptr) << "round " << round;
        ASSERT_EQ(big->data.size(), 200000u);
        // One whole value: every byte the same letter.
        EXPECT_EQ(std::count(big->data.begin(), big->data.end(), big->data[0]), 200000);
    }
    // The next write clears away what the killed writers left half done.
    ASSERT_TRUE(registry.SetValue(RegRoot::CurrentUser, "Stress", "Keep", kRegDword, keep));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_temp.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"HKEY_CURRENT_USER.reg",
                                               "HKEY_CURRENT_USER.reg.lock", "writer.pid"}));
}

TEST_F(FileRegistryProcessesTest, TwoProcessesWritingAtOnceLoseNothing) {
    const std::string folder = m_temp.path().string();
    constexpr int kEach = 60;
    const std::string writer = QUORVEL_REGISTRY_WRITER;
    // Both run at the same time; the shell waits for both before std::system returns.
    const std::string command = writer + " " + folder + " count A " + std::to_string(kEach) +
                                " & " + writer + " " + folder + " count B " +
                                std::to_string(kEach) + " & wait";
    ASSERT_EQ(std::system(command.c_str()), 0);

    FileRegistry registry({folder, m_temp / "hklm", m_temp / "autostart"});
    for (const char* prefix : {"A", "B"}) {
        for (int i = 0; i < kEach; ++i) {
            auto value =
                registry.QueryValue(RegRoot::CurrentUser, "race", prefix + std::to_string(i));
            ASSERT_TRUE(value) << prefix << i << " was lost";
            EXPECT_EQ(std::to_integer<int>(value.value().data[0]), i);
        }
    }
}

} // namespace
} // namespace quorvel::platform::linux_backend
