#include "guard/namespace/ChildProcess.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace quorvel::guard::testing {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

constexpr const char* kQuestion = "running now?";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `quorvel-cli guard` on an empty Data folder of the test's, in the test's own PID
// namespace, where the programs running are the test's.
class GuardCliFirstStart : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InOwnPidNamespace())
            GTEST_SKIP() << "needs its own PID namespace: run it through "
                            "scripts/guard-in-namespace.sh";
        data = FreshFolderForTest("quorvel-first-start");
    }
    void TearDown() override {
        if (!data.empty())
            fs::remove_all(data);
    }

    std::unique_ptr<ChildProcess> StartGuard(int stdinFd, OutputPipe& output) {
        auto guard = std::make_unique<ChildProcess>(
            std::vector<std::string>{QUORVEL_CLI_PATH, "guard", "--data", data.string(),
                                     "--interval", "0.1", "--events", "none"},
            stdinFd, output.writeEnd());
        output.CloseWriteEnd();
        return guard;
    }

    // Types the key until the guard has taken the answer and started.
    static bool Answer(const PseudoTerminal& terminal, OutputPipe& output, char key) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            terminal.Type(key);
            if (output.ReadUntil("Ctrl-C ends", milliseconds(1000)))
                return true;
        }
        return false;
    }

    fs::path data;
};

class GuardCliFirstStartAnswer : public GuardCliFirstStart,
                                 public ::testing::WithParamInterface<bool> {};

TEST_P(GuardCliFirstStartAnswer, AsksOnceOnTheTerminalAndActsOnTheAnswer) {
    const bool yes = GetParam();
    ChildProcess running({"/bin/sleep", "60"});
    ASSERT_TRUE(running.WaitForState("S", milliseconds(5000)));

    PseudoTerminal terminal;
    {
        OutputPipe output;
        auto guard = StartGuard(terminal.terminalFd(), output);
        ASSERT_TRUE(output.ReadUntil("[y/n] ", milliseconds(10000))) << output.text();
        EXPECT_NE(output.text().find(kQuestion), std::string::npos) << output.text();
        EXPECT_NE(output.text().find("sleep"), std::string::npos) << "the names are listed";
        ASSERT_TRUE(Answer(terminal, output, yes ? 'y' : 'n')) << output.text();
        EXPECT_EQ(output.text().find("Trusted ") != std::string::npos, yes) << output.text();

        // A new instance of a program trusted now runs on; otherwise it is held.
        ChildProcess next({"/bin/sleep", "30"});
        if (yes) {
            EXPECT_TRUE(
                output.ReadUntil("| Trusted | " + std::to_string(next.pid()), milliseconds(5000)))
                << output.text();
            EXPECT_TRUE(next.WaitForState("S", milliseconds(2000)));
        } else {
            ASSERT_TRUE(next.WaitForState("T", milliseconds(5000)));
            bool resumed = false;
            for (int attempt = 0; attempt < 10 && !resumed; ++attempt) {
                terminal.Type('a');
                resumed = next.WaitForState("S", milliseconds(500));
            }
            EXPECT_TRUE(resumed);
        }
        guard->Signal(SIGTERM);
        EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
        EXPECT_EQ(guard->ExitCode(), 0);
    }
    const std::string whitelist = ReadFile(data / "whitelist.db");
    EXPECT_EQ(whitelist.find("kenal|sleep\r\n") != std::string::npos, yes) << whitelist;
    EXPECT_TRUE(fs::exists(data / "firststart.txt"));

    // Once: the next start on a terminal goes straight to the guard.
    OutputPipe again;
    auto guard = StartGuard(terminal.terminalFd(), again);
    ASSERT_TRUE(again.ReadUntil("Ctrl-C ends", milliseconds(10000))) << again.text();
    EXPECT_EQ(again.text().find(kQuestion), std::string::npos) << again.text();
    guard->Signal(SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, GuardCliFirstStartAnswer, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "yes" : "no"; });

TEST_F(GuardCliFirstStart, WithoutATerminalNothingIsAskedOrRemembered) {
    OutputPipe output;
    auto guard = StartGuard(-1, output);
    ASSERT_TRUE(output.ReadUntil("Ctrl-C ends", milliseconds(10000))) << output.text();
    EXPECT_EQ(output.text().find(kQuestion), std::string::npos) << output.text();
    guard->Signal(SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    EXPECT_FALSE(fs::exists(data / "firststart.txt"));
    EXPECT_FALSE(fs::exists(data / "whitelist.db"));
}

TEST_F(GuardCliFirstStart, CtrlCDuringTheQuestionEndsWithNothingRemembered) {
    PseudoTerminal terminal;
    OutputPipe output;
    auto guard = StartGuard(terminal.terminalFd(), output);
    ASSERT_TRUE(output.ReadUntil("[y/n] ", milliseconds(10000))) << output.text();
    guard->Signal(SIGINT);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    EXPECT_EQ(guard->ExitCode(), 0);
    EXPECT_FALSE(fs::exists(data / "firststart.txt"));
    EXPECT_FALSE(fs::exists(data / "whitelist.db"));
}

} // namespace
} // namespace quorvel::guard::testing
