#include "guard/DecisionJson.h"
#include "guard/PrintableText.h"
#include "guard/namespace/ChildProcess.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvel::guard::testing {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

// `quorvel-cli guard` itself, on a Data folder of the test's, in the test's own PID
// namespace. The test binary is whitelisted: the guard may catch a child of it in the
// moment between its start and its exec, and must not hold the test there.
class GuardCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InOwnPidNamespace())
            GTEST_SKIP() << "needs its own PID namespace: run it through "
                            "scripts/guard-in-namespace.sh";
        data = FreshFolderForTest("quorvel-guard-cli");
        WriteList("whitelist.db", {"guard_namespace_test"});
    }

    void TearDown() override {
        if (!data.empty())
            fs::remove_all(data);
    }

    void WriteList(const std::string& file, const std::vector<std::string>& names) {
        std::ofstream out(data / file, std::ios::binary);
        for (const auto& name : names)
            out << "kenal|" << name << "\r\n";
    }

    // Starts the guard with stdin as given and waits for its first snapshot.
    std::unique_ptr<ChildProcess> StartGuard(int stdinFd) {
        auto guard = std::make_unique<ChildProcess>(
            std::vector<std::string>{QUORVEL_CLI_PATH, "guard", "--data", data.string(),
                                     "--interval", "0.1", "--events", "none"},
            stdinFd, output.writeEnd());
        output.CloseWriteEnd();
        EXPECT_TRUE(output.ReadUntil("Ctrl-C ends", milliseconds(10000))) << output.text();
        return guard;
    }

    fs::path data;
    OutputPipe output;
};

TEST_F(GuardCli, KillsABlacklistedProcessAndEndsOnSigterm) {
    WriteList("blacklist.db", {"sleep"});
    auto guard = StartGuard(-1);
    ChildProcess sleeper({"/bin/sleep", "30"});
    EXPECT_EQ(sleeper.WaitForExit(milliseconds(5000)), SIGKILL);
    EXPECT_TRUE(output.ReadUntil("| Killed (Blacklist) | " + std::to_string(sleeper.pid()) +
                                     " | sleep | /usr/bin/sleep",
                                 milliseconds(5000)))
        << output.text();

    guard->Signal(SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    EXPECT_EQ(guard->ExitCode(), 0);

    // The audit log has the decision, with the hash of the program.
    OutputPipe log;
    ChildProcess reader({QUORVEL_CLI_PATH, "log", "--data", data.string()}, -1, log.writeEnd());
    log.CloseWriteEnd();
    EXPECT_EQ(reader.WaitForExit(milliseconds(10000)), 0);
    EXPECT_TRUE(log.ReadUntil("/usr/bin/sleep\n", milliseconds(5000))) << log.text();
    const std::string& table = log.text();
    EXPECT_NE(table.find("Killed (Blacklist) " + std::to_string(sleeper.pid())), std::string::npos)
        << table;
    EXPECT_NE(table.find("sleep"), std::string::npos);
}

TEST_F(GuardCli, WithoutATerminalBlocksAndReleasesAtExit) {
    auto guard = StartGuard(-1);
    ChildProcess sleeper({"/bin/sleep", "30"});
    EXPECT_TRUE(sleeper.WaitForState("T", milliseconds(5000)));
    const std::string pid = std::to_string(sleeper.pid());
    EXPECT_TRUE(output.ReadUntil("| Blocked | " + pid + " | sleep", milliseconds(5000)))
        << output.text();

    guard->Signal(SIGINT);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    EXPECT_TRUE(output.ReadUntil("You have 1 Blocked processes. Do you want to resume these "
                                 "processes and exit? [y/n] y",
                                 milliseconds(5000)))
        << output.text();
    EXPECT_TRUE(sleeper.WaitForState("S", milliseconds(5000)));
}

TEST_F(GuardCli, AKeyOnTheTerminalAllows) {
    PseudoTerminal terminal;
    auto guard = StartGuard(terminal.terminalFd());
    ChildProcess sleeper({"/bin/sleep", "30"});
    EXPECT_TRUE(sleeper.WaitForState("T", milliseconds(5000)));
    ASSERT_TRUE(output.ReadUntil("[a] Allow", milliseconds(5000))) << output.text();
    EXPECT_NE(output.text().find("PID: " + std::to_string(sleeper.pid())), std::string::npos);

    // The key may arrive before the guard reads keys one by one: type until it takes.
    bool resumed = false;
    for (int attempt = 0; attempt < 10 && !resumed; ++attempt) {
        terminal.Type('a');
        resumed = sleeper.WaitForState("S", milliseconds(500));
    }
    EXPECT_TRUE(resumed);
    EXPECT_TRUE(
        output.ReadUntil("| Allowed | " + std::to_string(sleeper.pid()), milliseconds(5000)))
        << output.text();

    guard->Signal(SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
}

// Types key until the output shows text: a key typed before the guard reads keys one by
// one waits for a line end. Only for keys that may be typed twice.
bool TypeUntil(const PseudoTerminal& terminal, OutputPipe& output, char key,
               const std::string& text) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        terminal.Type(key);
        if (output.ReadUntil(text, milliseconds(500)))
            return true;
    }
    return false;
}

TEST_F(GuardCli, AnAllowUntilExitLeavesTheNextInstanceRunning) {
    PseudoTerminal terminal;
    auto guard = StartGuard(terminal.terminalFd());
    ChildProcess first({"/bin/sleep", "30"});
    ASSERT_TRUE(first.WaitForState("T", milliseconds(5000)));
    ASSERT_TRUE(output.ReadUntil("Lasts: This time", milliseconds(5000))) << output.text();
    ASSERT_TRUE(TypeUntil(terminal, output, 'u', "Lasts: Until Quorvel exits")) << output.text();
    ASSERT_TRUE(TypeUntil(terminal, output, 'a', "| Allowed | " + std::to_string(first.pid())))
        << output.text();
    EXPECT_TRUE(first.WaitForState("S", milliseconds(5000)));

    ChildProcess second({"/bin/sleep", "30"});
    EXPECT_TRUE(output.ReadUntil("| Allowed until exit | " + std::to_string(second.pid()),
                                 milliseconds(5000)))
        << output.text();
    EXPECT_TRUE(second.WaitForState("S", milliseconds(2000)));
    EXPECT_EQ(output.text().find("PID: " + std::to_string(second.pid())), std::string::npos)
        << "no alert for the second one";

    guard->Signal(SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
}

TEST_F(GuardCli, ABlockAlwaysBlacklistsTheName) {
    PseudoTerminal terminal;
    auto guard = StartGuard(terminal.terminalFd());
    ChildProcess first({"/bin/sleep", "30"});
    ASSERT_TRUE(first.WaitForState("T", milliseconds(5000)));
    ASSERT_TRUE(output.ReadUntil("[s] Always", milliseconds(5000))) << output.text();
    ASSERT_TRUE(TypeUntil(terminal, output, 's', "Lasts: Always")) << output.text();
    ASSERT_TRUE(TypeUntil(terminal, output, 'b', "| Blocked | " + std::to_string(first.pid())))
        << output.text();

    ChildProcess second({"/bin/sleep", "30"});
    EXPECT_EQ(second.WaitForExit(milliseconds(5000)), SIGKILL);
    EXPECT_TRUE(output.ReadUntil("| Killed (Blacklist) | " + std::to_string(second.pid()),
                                 milliseconds(5000)))
        << output.text();
    std::ifstream list(data / "blacklist.db", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(list), {}), "kenal|sleep\r\n");

    // The first one is still held: the exit asks whether to release it.
    guard->Signal(SIGTERM);
    ASSERT_TRUE(output.ReadUntil("and exit? [y/n]", milliseconds(5000))) << output.text();
    terminal.Type('y');
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    EXPECT_TRUE(first.WaitForState("S", milliseconds(5000)));
}

// A closed terminal ends the guard like SIGTERM: with nobody left to ask, what it holds
// is resumed.
TEST_F(GuardCli, AHangUpReleasesWhatItHolds) {
    PseudoTerminal terminal;
    auto guard = StartGuard(terminal.terminalFd());
    ChildProcess sleeper({"/bin/sleep", "30"});
    ASSERT_TRUE(sleeper.WaitForState("T", milliseconds(5000)));

    guard->Signal(SIGHUP);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    EXPECT_EQ(guard->ExitCode(), 0);
    EXPECT_TRUE(sleeper.WaitForState("S", milliseconds(5000)));
}

TEST_F(GuardCli, ResumeAllReleasesEveryHold) {
    ChildProcess first({"/bin/sleep", "30"});
    ChildProcess second({"/bin/sleep", "30"});
    for (int pid : {first.pid(), second.pid(), second.pid()}) {
        ChildProcess suspend({QUORVEL_CLI_PATH, "suspend", std::to_string(pid)});
        ASSERT_EQ(suspend.WaitForExit(milliseconds(10000)), 0);
    }
    ASSERT_TRUE(first.WaitForState("T", milliseconds(5000)));
    ASSERT_TRUE(second.WaitForState("T", milliseconds(5000)));

    ChildProcess resume({QUORVEL_CLI_PATH, "resume", "--all"}, -1, output.writeEnd());
    output.CloseWriteEnd();
    EXPECT_EQ(resume.WaitForExit(milliseconds(10000)), 0);
    EXPECT_TRUE(first.WaitForState("S", milliseconds(5000)));
    EXPECT_TRUE(second.WaitForState("S", milliseconds(5000)));
    EXPECT_TRUE(output.ReadUntil("resumed " + std::to_string(second.pid()), milliseconds(5000)))
        << output.text();
}

// A program named to forge rows: a newline followed by a fake decision, and bytes that
// are not UTF-8. The terminal, decisions.jsonl and `quorvel-cli log` each keep it to the
// one line of its own decision.
TEST_F(GuardCli, AForgedNameStaysInItsOwnRow) {
    const std::string name = "evil\n12:00:00 | Trusted | 1 | good | good\xFF\xC3(";
    const fs::path program = data / name;
    fs::copy_file("/bin/sleep", program);
    auto guard = StartGuard(-1);
    ChildProcess forged({program.string(), "30"});
    EXPECT_TRUE(forged.WaitForState("T", milliseconds(5000)));
    const std::string pid = std::to_string(forged.pid());
    ASSERT_TRUE(output.ReadUntil("| Blocked | " + pid, milliseconds(5000))) << output.text();
    guard->Signal(SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(10000)), 0);
    forged.KillAndReap();

    const std::string shown = "evil\\n12:00:00 | Trusted | 1 | good | good\\xFF\\xC3(";
    EXPECT_NE(output.text().find("| Held | " + pid + " | " + shown + " | "), std::string::npos)
        << output.text();
    EXPECT_EQ(output.text().find("\n12:00:00 | Trusted"), std::string::npos) << output.text();

    std::ifstream in(data / "decisions.jsonl", std::ios::binary);
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        for (size_t at = 0; at < line.size();) {
            const size_t length = Utf8SequenceLength(line, at);
            ASSERT_NE(length, 0u) << "not UTF-8: " << line;
            ASSERT_GE(static_cast<unsigned char>(line[at]), 0x20u) << line;
            at += length;
        }
        const auto read = ParseDecisionJsonLine(line);
        ASSERT_TRUE(read) << line;
        EXPECT_EQ(read->name, name);
        EXPECT_EQ(read->path, program.string());
    }
    EXPECT_EQ(lines, 2) << "Held and Blocked";

    OutputPipe log;
    ChildProcess reader({QUORVEL_CLI_PATH, "log", "--data", data.string()}, -1, log.writeEnd());
    log.CloseWriteEnd();
    EXPECT_EQ(reader.WaitForExit(milliseconds(10000)), 0);
    log.ReadUntil("never appears", milliseconds(1000));
    const std::string& table = log.text();
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3) << table;
    EXPECT_EQ(table.find("\n12:00:00"), std::string::npos) << table;
    EXPECT_NE(table.find("stopped after start"), std::string::npos) << table;
}

// Reads no process, so it needs no namespace.
TEST(GuardCliLog, ReadsTheGenerationsItKeepsOldestFirst) {
    const fs::path data = FreshFolderForTest("quorvel-log");
    auto write = [&](const std::string& file, const std::string& name) {
        std::ofstream(data / file, std::ios::binary)
            << "{\"time\":\"2026-12-10T06:05:09Z\",\"action\":\"Held\",\"pid\":5,\"name\":\""
            << name << "\",\"path\":\"/p/" << name << "\"}\n";
    };
    write("decisions.jsonl.3", "beyond-the-count");
    write("decisions.jsonl.2", "oldest");
    write("decisions.jsonl.1", "older");
    write("decisions.jsonl", "newest");
    std::ofstream(data / "audit.ini", std::ios::binary) << "Generations=2\n";
    OutputPipe log;
    ChildProcess reader({QUORVEL_CLI_PATH, "log", "--data", data.string()}, -1, log.writeEnd());
    log.CloseWriteEnd();
    EXPECT_EQ(reader.WaitForExit(milliseconds(10000)), 0);
    ASSERT_TRUE(log.ReadUntil("/p/newest\n", milliseconds(5000))) << log.text();
    const std::string& table = log.text();
    EXPECT_LT(table.find("/p/oldest"), table.find("/p/older"));
    EXPECT_LT(table.find("/p/older"), table.find("/p/newest"));
    EXPECT_EQ(table.find("beyond-the-count"), std::string::npos) << table;
    fs::remove_all(data);
}

// Refused before any snapshot, so it needs no namespace.
TEST(GuardCliOptions, ABadIntervalIsAUsageError) {
    for (const char* interval : {"soon", "0.0001", "70", ""}) {
        OutputPipe output;
        ChildProcess cli({QUORVEL_CLI_PATH, "guard", "--interval", interval}, -1,
                         output.writeEnd());
        output.CloseWriteEnd();
        EXPECT_EQ(cli.WaitForExit(milliseconds(10000)), 0) << interval;
        EXPECT_EQ(cli.ExitCode(), 2) << interval;
        EXPECT_FALSE(output.ReadUntil("Quorvel guard", milliseconds(100))) << output.text();
    }
}

} // namespace
} // namespace quorvel::guard::testing
