#include "FakePlatform.h"
#include "inspect/ProcessImagePath.h"

#include <gtest/gtest.h>

namespace quorvel::inspect {
namespace {

struct RewriteCase {
    const char* name;
    const char* path;
    const char* windir;
    const char* expected;
};

class RewriteNativeImagePathTest : public testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteNativeImagePathTest, RewritesOnlyTheTwoNativePrefixes) {
    const auto& c = GetParam();
    EXPECT_EQ(RewriteNativeImagePath(c.path, c.windir), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RewriteNativeImagePathTest,
    testing::Values(RewriteCase{"device_prefix_dropped", "\\??\\C:\\Windows\\system32\\csrss.exe",
                                "C:\\WINDOWS", "C:\\Windows\\system32\\csrss.exe"},
                    RewriteCase{"system_root_becomes_windir", "\\SystemRoot\\System32\\smss.exe",
                                "C:\\WINDOWS", "C:\\WINDOWS\\System32\\smss.exe"},
                    RewriteCase{"other_case_untouched", "\\systemroot\\System32\\smss.exe",
                                "C:\\WINDOWS", "\\systemroot\\System32\\smss.exe"},
                    RewriteCase{"only_at_the_start", "C:\\x\\SystemRoot\\y.exe", "C:\\WINDOWS",
                                "C:\\x\\SystemRoot\\y.exe"},
                    RewriteCase{"device_prefix_only_at_the_start", "C:\\\\??\\x.exe", "C:\\WINDOWS",
                                "C:\\\\??\\x.exe"},
                    RewriteCase{"at_most_one_rewrite", "\\??\\\\SystemRoot\\x.exe", "C:\\WINDOWS",
                                "\\SystemRoot\\x.exe"},
                    RewriteCase{"empty_windir_leaves_a_leading_backslash", "\\SystemRoot\\x.exe",
                                "", "\\x.exe"},
                    RewriteCase{"ordinary_path", "C:\\Program Files\\app.exe", "C:\\WINDOWS",
                                "C:\\Program Files\\app.exe"},
                    RewriteCase{"linux_path", "/usr/bin/app", "", "/usr/bin/app"},
                    RewriteCase{"system_stays", "SYSTEM", "C:\\WINDOWS", "SYSTEM"},
                    RewriteCase{"prefix_alone", "\\??\\", "C:\\WINDOWS", ""}),
    [](const auto& row) { return std::string(row.param.name); });

struct ImagePathCase {
    const char* name;
    int32_t pid;
    platform::Result<std::string> reported;
    std::string expected;
    bool asked;
};

class GetProcessImagePathTest : public testing::TestWithParam<ImagePathCase> {};

TEST_P(GetProcessImagePathTest, FallsBackToSystemAndRewrites) {
    const auto& c = GetParam();
    test::FakeProcesses processes;
    processes.imagePath = c.reported;
    test::FakeShell shell;
    shell.environment["windir"] = "C:\\WINDOWS";
    EXPECT_EQ(GetProcessImagePath(processes, shell, c.pid), c.expected);
    EXPECT_EQ(!processes.asked.empty(), c.asked);
}

const std::string k300 = "C:\\" + std::string(297, 'a');

INSTANTIATE_TEST_SUITE_P(
    Table, GetProcessImagePathTest,
    testing::Values(
        ImagePathCase{"unreadable", 42, platform::MakeError(platform::Errc::AccessDenied), "SYSTEM",
                      true},
        ImagePathCase{"empty", 42, std::string(), "SYSTEM", true},
        ImagePathCase{"ordinary", 42, std::string("/usr/bin/app"), "/usr/bin/app", true},
        ImagePathCase{"native", 42, std::string("\\SystemRoot\\System32\\smss.exe"),
                      "C:\\WINDOWS\\System32\\smss.exe", true},
        ImagePathCase{"cut_at_260", 42, k300, k300.substr(0, 260), true},
        // The cut comes first, as the 260-character buffer does; the rewrite may lengthen.
        ImagePathCase{"cut_then_rewritten", 42, "\\SystemRoot\\" + std::string(300, 'b'),
                      "C:\\WINDOWS\\" + std::string(248, 'b'), true},
        ImagePathCase{"pid_zero", 0, std::string("/never"), "SYSTEM", false},
        ImagePathCase{"negative_pid", -5, std::string("/never"), "SYSTEM", false}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::inspect
