#include "platform/linux/ProcfsProcesses.h"
#include "platform/linux/TestProcesses.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::cli {
namespace {

using test::ChildProcess;
using test::MakesProgress;
using test::ProcessState;
using test::ProgramResult;
using test::RunProgram;
using test::SharedCounter;
using test::TempFolder;
using test::WaitUntil;
using testing::ElementsAre;
namespace fs = std::filesystem;

const std::string kCli = QUORVEL_CLI;

// The CLI with its suspend records in a folder of the test's own.
class CliTest : public testing::Test {
protected:
    ProgramResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), kCli);
        return RunProgram(args, {"XDG_RUNTIME_DIR=" + m_runtime.path(), "DISPLAY="});
    }
    std::string recordFolder() const { return m_runtime / "quorvel"; }

    TempFolder m_runtime;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct PsRow {
    uint32_t pid;
    uint32_t parentPid;
};

// `ps -e`: every process with its parent.
// Running processes only: a zombie has ended, and ps lists it where quorvel-cli does not.
std::map<uint32_t, uint32_t> SystemPs() {
    auto result = RunProgram({"/bin/ps", "-e", "-o", "pid=,ppid=,stat="});
    std::map<uint32_t, uint32_t> rows;
    std::istringstream in(result.out);
    uint32_t pid = 0, parent = 0;
    std::string state;
    while (in >> pid >> parent >> state) {
        if (state.front() != 'Z' && state.front() != 'X')
            rows[pid] = parent;
    }
    return rows;
}

bool IsKernelThread(uint32_t pid, uint32_t parent) {
    return pid == 2 || parent == 2;
}

// The machine's processes come and go while the two programs run, so the check is on
// the processes present before and after: all listed; and nothing listed is a kernel
// thread.
TEST_F(CliTest, PsListsWhatPsListsButKernelThreads) {
    const auto before = SystemPs();
    auto listed = cli({"ps"});
    const auto after = SystemPs();
    ASSERT_EQ(listed.exitCode, 0);
    ASSERT_FALSE(before.empty());

    std::vector<uint32_t> pids;
    for (const auto& line : Lines(listed.out)) {
        const size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        pids.push_back(static_cast<uint32_t>(std::stoul(line.substr(0, eq))));
    }
    // Oldest first: after PIDs wrap around that is not PID order, so no order is checked.
    const std::set<uint32_t> seen(pids.begin(), pids.end());
    for (const auto& [pid, parent] : before) {
        if (after.count(pid) && after.at(pid) == parent && !IsKernelThread(pid, parent)) {
            EXPECT_TRUE(seen.count(pid)) << "missing " << pid;
        }
    }
    for (uint32_t pid : pids) {
        for (const auto* rows : {&before, &after}) {
            auto it = rows->find(pid);
            if (it != rows->end()) {
                EXPECT_FALSE(IsKernelThread(pid, it->second)) << "kernel thread " << pid;
            }
        }
    }
}

// In a PID namespace of its own nothing else comes or goes: the lists are equal, but for
// each program itself. (Names differ where a link names the program: ps shows the command
// name "sh", the list the executable "dash".)
TEST_F(CliTest, PsEqualsPsInAQuietPidNamespace) {
    const std::string script = "sleep 100 & a=$!; sleep 100 & b=$!; "
                               "ps -e -o pid=,comm= ; echo ---; \"" +
                               kCli + "\" ps; kill $a $b";
    auto result = RunProgram(
        {"/usr/bin/unshare", "--pid", "--fork", "--mount-proc", "/bin/sh", "-c", script});
    if (result.exitCode != 0 && result.out.empty())
        GTEST_SKIP() << "no PID namespaces here: " << result.err;
    const auto lines = Lines(result.out);
    auto split = std::find(lines.begin(), lines.end(), "---");
    ASSERT_NE(split, lines.end()) << result.out << result.err;

    std::map<uint32_t, std::string> fromPs;
    for (auto it = lines.begin(); it != split; ++it) {
        std::istringstream row(*it);
        uint32_t pid = 0;
        std::string name;
        row >> pid >> name;
        if (name != "ps")
            fromPs[pid] = name;
    }
    std::map<uint32_t, std::string> fromCli;
    for (auto it = split + 1; it != lines.end(); ++it) {
        const size_t eq = it->find('=');
        ASSERT_NE(eq, std::string::npos) << *it;
        const std::string name = it->substr(eq + 1);
        if (name != "quorvel-cli")
            fromCli[static_cast<uint32_t>(std::stoul(it->substr(0, eq)))] = name;
    }
    std::vector<uint32_t> psPids, cliPids;
    for (const auto& [pid, name] : fromPs)
        psPids.push_back(pid);
    for (const auto& [pid, name] : fromCli)
        cliPids.push_back(pid);
    EXPECT_EQ(cliPids, psPids);
    EXPECT_EQ(std::count_if(fromCli.begin(), fromCli.end(),
                            [](const auto& row) { return row.second == "sleep"; }),
              2);
}

TEST_F(CliTest, SuspendHoldsAndResumeReleasesAcrossRuns) {
    SharedCounter counter;
    auto child = ChildProcess::Counting(counter);
    const std::string pid = std::to_string(child.pid());

    auto suspended = cli({"suspend", pid});
    EXPECT_EQ(suspended.exitCode, 0);
    EXPECT_EQ(suspended.out + suspended.err, "");
    EXPECT_TRUE(WaitUntil([&] { return ProcessState(child.pid()) == 'T'; }));

    // A second hold from another run: one resume is not enough.
    ASSERT_EQ(cli({"suspend", pid}).exitCode, 0);
    ASSERT_EQ(cli({"resume", pid}).exitCode, 0);
    EXPECT_EQ(ProcessState(child.pid()), 'T');
    EXPECT_FALSE(MakesProgress(counter));

    auto resumed = cli({"resume", pid});
    EXPECT_EQ(resumed.exitCode, 0);
    EXPECT_EQ(resumed.out + resumed.err, "");
    EXPECT_TRUE(MakesProgress(counter));
}

// What a long-lived holder (the guard) held, `resume` releases from outside; and it does
// not release what somebody else stopped.
TEST_F(CliTest, ResumeReleasesWhatAnotherProcessHeld) {
    SharedCounter counter;
    auto held = ChildProcess::Counting(counter);
    platform::linux_backend::ProcfsProcesses holder("/proc", recordFolder());
    ASSERT_TRUE(holder.SuspendProcess(held.upid()).ok());
    ASSERT_TRUE(WaitUntil([&] { return ProcessState(held.pid()) == 'T'; }));
    ASSERT_EQ(cli({"resume", std::to_string(held.pid())}).exitCode, 0);
    EXPECT_TRUE(MakesProgress(counter));

    SharedCounter otherCounter;
    auto stoppedElsewhere = ChildProcess::Counting(otherCounter);
    ::kill(stoppedElsewhere.pid(), SIGSTOP);
    ASSERT_TRUE(WaitUntil([&] { return ProcessState(stoppedElsewhere.pid()) == 'T'; }));
    ASSERT_EQ(cli({"resume", std::to_string(stoppedElsewhere.pid())}).exitCode, 0);
    EXPECT_FALSE(MakesProgress(otherCounter));
    ::kill(stoppedElsewhere.pid(), SIGCONT);
}

TEST_F(CliTest, KillEndsTheProcess) {
    auto child = ChildProcess::Fork([] { ::pause(); });
    auto killed = cli({"kill", std::to_string(child.pid())});
    EXPECT_EQ(killed.exitCode, 0);
    EXPECT_EQ(killed.out + killed.err, "");
    const int status = child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST_F(CliTest, InspectsARunningProcess) {
    TempFolder folder;
    const std::string exe = folder / "sleeper";
    fs::copy_file("/bin/sleep", exe);
    auto child = ChildProcess::Spawn({exe, "100"});
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ec;
        return fs::read_symlink("/proc/" + std::to_string(child.pid()) + "/exe", ec) == exe;
    }));
    const std::string pid = std::to_string(child.pid());

    EXPECT_EQ(cli({"path", pid}).out, exe + "\n");
    EXPECT_EQ(cli({"threads", pid}).out, pid + "\n");
    EXPECT_EQ(cli({"priority", pid}).out, "0x20 Normal\n");
    const auto modules = Lines(cli({"modules", pid}).out);
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(modules.front(), exe);
    EXPECT_THAT(modules, testing::Contains(testing::HasSubstr("libc.so")));
    EXPECT_EQ(cli({"windows", pid}).out, "No Associated Windows\n");
    EXPECT_THAT(Lines(cli({"ps"}).out), testing::Contains(pid + "=sleeper"));
}

// Failing operations are silent and still succeed as commands.
TEST_F(CliTest, OperationsOnAnEndedProcessAreSilent) {
    auto child = ChildProcess::Fork([] { ::pause(); });
    const std::string pid = std::to_string(child.pid());
    child.kill();

    struct Expectation {
        const char* command;
        const char* out;
    };
    for (const auto& e :
         {Expectation{"kill", ""}, Expectation{"suspend", ""}, Expectation{"resume", ""},
          Expectation{"threads", ""}, Expectation{"path", "SYSTEM\n"},
          Expectation{"priority", "0x0\n"}, Expectation{"windows", "No Associated Windows\n"},
          Expectation{"modules", "Caution : cannot emumerate modules from selected PID !\n"}}) {
        for (const std::string& target : {pid, std::string("0")}) {
            auto result = cli({e.command, target});
            EXPECT_EQ(result.exitCode, 0) << e.command << " " << target;
            EXPECT_EQ(result.out, e.out) << e.command << " " << target;
            EXPECT_EQ(result.err, "") << e.command << " " << target;
        }
    }
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
};

class CliUsageTest : public CliTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, BadArgumentsExitTwoWithOneLine) {
    auto result = cli(GetParam().args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    const auto lines = Lines(result.err);
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_THAT(lines[0], testing::StartsWith("quorvel-cli: "));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliUsageTest,
    testing::Values(UsageCase{"missing_pid", {"kill"}}, UsageCase{"letters", {"suspend", "abc"}},
                    UsageCase{"trailing_letters", {"resume", "12x"}},
                    UsageCase{"empty", {"modules", ""}}, UsageCase{"negative", {"kill", "-1"}},
                    UsageCase{"plus_sign", {"path", "+5"}},
                    UsageCase{"beyond_32_bits", {"kill", "4294967295"}},
                    UsageCase{"beyond_signed_32_bits", {"priority", "2147483648"}},
                    UsageCase{"hexadecimal", {"threads", "0x10"}},
                    UsageCase{"two_pids", {"windows", "1", "2"}},
                    UsageCase{"ps_with_argument", {"ps", "1"}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::cli
