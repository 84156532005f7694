#include "platform/linux/LinuxShell.h"
#include "platform/linux/LinuxShellArguments.h"
#include "platform/linux/TestProcesses.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

using test::TempFolder;
using test::WaitUntil;
using test::WriteTextFile;
namespace fs = std::filesystem;

struct SplitCase {
    const char* name;
    const char* parameters;
    std::vector<std::string> arguments;
};

class SplitParametersTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitParametersTest, SplitsOnBlanksOutsideQuotes) {
    EXPECT_EQ(SplitParameters(GetParam().parameters), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitParametersTest,
    testing::Values(SplitCase{"empty", "", {}}, SplitCase{"only_blanks", " \t ", {}},
                    SplitCase{"scanner_line",
                              "--memory -k --log=clamreport.txt",
                              {"--memory", "-k", "--log=clamreport.txt"}},
                    SplitCase{"runs_of_blanks_and_tabs", "  a \t b  ", {"a", "b"}},
                    SplitCase{"quoted_blanks",
                              "\"C:\\Program Files\\x.exe\" -v",
                              {"C:\\Program Files\\x.exe", "-v"}},
                    SplitCase{"quotes_inside_a_word", "ab\"c d\"e f", {"abc de", "f"}},
                    SplitCase{"empty_quotes", "a \"\" b", {"a", "", "b"}},
                    SplitCase{"unclosed_quote", "a \"b c", {"a", "b c"}}),
    [](const auto& row) { return std::string(row.param.name); });

std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string line;
        if (!std::getline(in, line) || line.rfind(')') == std::string::npos)
            continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string state;
        pid_t ppid = 0;
        fields >> state >> ppid;
        if (ppid == parent)
            children.push_back(std::stoi(entry.path().filename().string()));
    }
    return children;
}

// The program starts in the working folder with its quoted arguments, Execute returns
// while it still runs, and it never becomes a child (or zombie) of ours.
TEST(LinuxShellExecute, StartsDetachedInTheWorkingFolder) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "gate").c_str(), 0600), 0);
    WriteTextFile(folder / "script.sh",
                  "read x < gate\npwd > out\necho \"$x\" >> out\nprintf '%s|' \"$@\" >> out\n");

    LinuxShell shell;
    ASSERT_TRUE(shell.Execute("sh", "script.sh \"two words\" plain \"\" last", folder.path()).ok());
    // The program waits at the gate, so Execute did not wait for it.
    EXPECT_FALSE(fs::exists(folder / "out"));
    EXPECT_THAT(ChildrenOf(::getpid()), testing::IsEmpty());

    int gate = -1;
    ASSERT_TRUE(WaitUntil([&] {
        gate = ::open((folder / "gate").c_str(), O_WRONLY | O_NONBLOCK);
        return gate >= 0;
    }));
    ASSERT_EQ(::write(gate, "go\n", 3), 3);
    ::close(gate);

    std::string out;
    ASSERT_TRUE(WaitUntil([&] {
        std::ifstream in(folder / "out");
        out.assign(std::istreambuf_iterator<char>(in), {});
        return out.ends_with("last|");
    }));
    EXPECT_EQ(out, folder.path() + "\ngo\ntwo words|plain||last|");
}

TEST(LinuxShellExecute, ReportsWhatCannotBeStarted) {
    TempFolder folder;
    LinuxShell shell;
    auto missing = shell.Execute(folder / "no-such-program", "", "");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, Errc::NotFound);
    EXPECT_FALSE(shell.Execute("true", "", folder / "no-such-folder").ok());
    EXPECT_FALSE(shell.Execute("", "", "").ok());
    EXPECT_TRUE(shell.Execute("true", "", folder.path()).ok());
}

TEST(LinuxShell, KnowsWhereTheProgramLives) {
    LinuxShell shell;
    const std::string exe = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(shell.ExecutablePath(), exe);
    EXPECT_EQ(shell.ProgramFolder(), fs::path(exe).parent_path().string());
    EXPECT_FALSE(shell.ProgramFolder().ends_with("/"));
}

TEST(LinuxShell, ReadsTheEnvironment) {
    ::setenv("QUORVEL_TEST_VALUE", "C:\\WINDOWS", 1);
    ::unsetenv("QUORVEL_TEST_UNSET");
    LinuxShell shell;
    EXPECT_EQ(shell.EnvironmentVariable("QUORVEL_TEST_VALUE"), "C:\\WINDOWS");
    EXPECT_EQ(shell.EnvironmentVariable("QUORVEL_TEST_UNSET"), "");
    ::unsetenv("QUORVEL_TEST_VALUE");
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
        ::tzset();
    }
    ~ScopedEnvironment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
        ::tzset();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// With no locale configured at all the C forms are used; the time is local time.
TEST(LinuxShell, DateAndTimeInTheUsersFormsOfLocalTime) {
    ScopedEnvironment env;
    env.set("LC_ALL", nullptr);
    env.set("LC_TIME", nullptr);
    env.set("LANG", nullptr);
    env.set("TZ", "UTC");
    LinuxShell shell;
    // 7 March 2013, 14:05:09 UTC.
    const auto when = std::chrono::system_clock::from_time_t(1362665109);
    EXPECT_EQ(shell.ShortDateText(when), "03/07/13");
    EXPECT_EQ(shell.TimeText(when), "14:05:09");

    env.set("TZ", "UTC-2");
    EXPECT_EQ(shell.TimeText(when), "16:05:09");
}

TEST(LinuxShell, TellsA64BitMachine) {
    utsname name{};
    ASSERT_EQ(::uname(&name), 0);
    if (std::string(name.machine) != "x86_64")
        GTEST_SKIP() << "checked on x86_64 hosts";
    EXPECT_TRUE(LinuxShell().Is64BitMachine());
}

} // namespace
} // namespace quorvel::platform::linux_backend
