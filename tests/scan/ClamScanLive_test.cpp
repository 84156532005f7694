#include "scan/VirusScan.h"
#include "store/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace quorvel::scan {
namespace {

using namespace std::chrono_literals;
using testing::PathExists;
using testing::TempFolder;
using testing::WriteBytes;

constexpr const char* kSystemDatabase = "/var/lib/clamav";

std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        ::pclose(pipe);
    }
    return output;
}

// The shipped wrapper and the system's clamscan over processes of this PID namespace,
// with signatures of our own mounted where clamscan looks for them.
class ClamScanLive : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("QUORVEL_SCAN_NAMESPACE") == nullptr)
            GTEST_SKIP() << "run through in_scan_namespace.sh";
        if (!std::filesystem::is_directory(kSystemDatabase))
            GTEST_SKIP() << "clamav is not installed";
        std::filesystem::create_directory(m_database.path() / "db");
    }

    void TearDown() override {
        if (m_victim != 0) {
            EXPECT_TRUE(m_platform.processes->KillProcess(m_victim));
        }
        if (m_mounted) {
            EXPECT_EQ(std::system((std::string("umount ") + kSystemDatabase).c_str()), 0);
        }
    }

    void MountDatabase() {
        const std::string command = "mount --bind '" + (m_database / "db") + "' " + kSystemDatabase;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        m_mounted = true;
    }

    // Scans and waits for the report, which the wrapper puts in place whole at the end.
    void ScanAndWait(VirusScan& scan) {
        const auto start = scan.Start(std::chrono::system_clock::now());
        ASSERT_TRUE(start.started);
        ASSERT_NE(start.pid, 0u);
        for (int i = 0; i < 1800 && !PathExists(scan.locations().reportPath); ++i)
            std::this_thread::sleep_for(100ms);
        ASSERT_TRUE(PathExists(scan.locations().reportPath)) << "the scan never ended";
    }

    platform::Platform m_platform = platform::CreateNativePlatform();
    TempFolder m_database;
    TempFolder m_reports;
    VirusScan m_scan{m_platform,
                     ScanLocations::For(QUORVEL_PROGRAM_FOLDER, m_reports.path().string(), '/')};
    uint32_t m_victim = 0;
    bool m_mounted = false;
};

TEST_F(ClamScanLive, RunningProgramWithAKnownSignatureIsFound) {
    const std::string victim = QUORVEL_SCAN_VICTIM;
    const std::string md5 = CommandOutput("md5sum '" + victim + "'").substr(0, 32);
    ASSERT_EQ(md5.size(), 32u);
    WriteBytes(m_database / "db/quorvel-test.hdb",
               md5 + ":" + std::to_string(std::filesystem::file_size(victim)) +
                   ":Quorvel.Test.Victim\n");
    MountDatabase();

    auto started = m_platform.shell->Launch(victim, "", "");
    ASSERT_TRUE(started) << started.error().message;
    m_victim = started.value();

    ScanAndWait(m_scan);
    const auto first = m_scan.ReadReport();
    ASSERT_FALSE(first.message) << first.message->text;
    EXPECT_NE(first.appended.find(victim + ": Quorvel.Test.Victim.UNOFFICIAL FOUND\r\n"),
              std::string::npos)
        << first.appended;
    EXPECT_NE(first.appended.find("Infected files: 1\r\n"), std::string::npos);

    const auto second = m_scan.ReadReport();
    EXPECT_EQ(second.appended, first.appended) << "each read gives the whole report";
}

TEST_F(ClamScanLive, NoDatabaseIsSaidPlainlyInTheFirstLine) {
    MountDatabase(); // an empty folder: no signatures at all
    ScanAndWait(m_scan);
    const auto read = m_scan.ReadReport();
    ASSERT_FALSE(read.message);
    EXPECT_EQ(read.appended.rfind("No virus database yet: run freshclam", 0), 0u) << read.appended;
}

} // namespace
} // namespace quorvel::scan
