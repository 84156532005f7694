#include "store/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::TempFolder;
using quorvel::testing::WriteBytes;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct CheckRow {
    const char* name;
    const char* site;
    int exitCode;
    const char* out;
    const char* err; // a part of stderr; empty: stderr is empty
};

class UpdateCheckCli : public ::testing::TestWithParam<CheckRow> {
protected:
    void SetUp() override {
        const char* url = std::getenv("QUORVEL_UPDATE_TEST_URL");
        if (url == nullptr)
            GTEST_SKIP() << "no test server: run through with_update_server.sh";
        m_server = url;
    }

    CliRun Run(const std::vector<std::string>& args) {
        std::string command = QUORVEL_CLI;
        for (const auto& a : args)
            command += " '" + a + "'";
        command += " >'" + (m_temp / "out") + "' 2>'" + (m_temp / "err") + "'; echo $? >'" +
                   (m_temp / "rc") + "'";
        CliRun run;
        if (std::system(command.c_str()) != 0)
            return run;
        std::ifstream(m_temp / "rc") >> run.exitCode;
        run.out = ReadBytes(m_temp / "out");
        run.err = ReadBytes(m_temp / "err");
        return run;
    }

    std::string m_server;
    TempFolder m_temp;
};

TEST_P(UpdateCheckCli, PrintsTheWindowsLabels) {
    WriteBytes(m_temp / "update.ini",
               "[Update]\nServer=" + m_server + "/" + GetParam().site + "\n");
    const auto run = Run({"update-check", "--data", m_temp.path().string()});
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.out, GetParam().out);
    if (*GetParam().err == '\0') {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_NE(run.err.find(GetParam().err), std::string::npos) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateCheckCli,
    ::testing::Values(CheckRow{"Newer", "v17", 0, "Updates Found\n1.7  \n", ""},
                      CheckRow{"TenAsText", "v110", 0,
                               "No Updates Found..you are using recents version\nn/a\n", ""},
                      CheckRow{"Missing", "missing", 1, "Update check failed\nn/a\n", "HTTP 404"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(UpdateCheckCliUsage, StrayArgumentsAreAUsageError) {
    EXPECT_EQ(WEXITSTATUS(std::system(QUORVEL_CLI " update-check --bogus 2>/dev/null")), 2);
}

} // namespace
