#include "scan/ReportFile.h"
#include "scan/VirusScan.h"
#include "store/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quorvel::scan {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The real backends over a program folder and a report folder of our own.
class VirusScanTest : public ::testing::Test {
protected:
    VirusScanTest()
        : m_platform(platform::CreateNativePlatform()),
          m_locations(ScanLocations::For(m_program.path().string(), m_reports.path().string(),
                                         m_platform.files->PathSeparator())),
          m_scan(m_platform, m_locations) {}

    void PlaceScanner(std::string_view script) {
        std::filesystem::create_directories(m_program.path() / "ClamAV");
        WriteBytes(m_locations.scannerPath, script);
        std::filesystem::permissions(m_locations.scannerPath, std::filesystem::perms::owner_all);
    }

    TempFolder m_program;
    TempFolder m_reports;
    platform::Platform m_platform;
    ScanLocations m_locations;
    VirusScan m_scan;
};

TEST_F(VirusScanTest, MissingScannerSaysClamNotFoundAndStartsNothing) {
    WriteBytes(m_locations.reportPath, "old report\n");
    const auto start = m_scan.Start(std::chrono::system_clock::now());
    EXPECT_FALSE(start.started);
    EXPECT_TRUE(start.lastScanText.empty()) << "lbllastscan keeps its text";
    ASSERT_TRUE(start.message);
    EXPECT_EQ(start.message->text, "Clam Not Found");
    EXPECT_EQ(start.message->title, "Quorvel");
    EXPECT_EQ(start.message->icon, store::MessageIcon::Warning);
    EXPECT_FALSE(PathExists(m_locations.reportPath)) << "the old report goes first";
}

TEST_F(VirusScanTest, MissingReportSaysFileNotFound) {
    const auto read = m_scan.ReadReport();
    ASSERT_TRUE(read.message);
    EXPECT_EQ(read.message->text, "File Not Found");
    EXPECT_EQ(read.message->icon, store::MessageIcon::Warning);
    EXPECT_TRUE(read.appended.empty());
}

TEST_F(VirusScanTest, EachReadAppendsTheWholeReportAgain) {
    WriteBytes(m_locations.reportPath, "one, two\nthree\n");
    const auto first = m_scan.ReadReport();
    const auto second = m_scan.ReadReport();
    EXPECT_FALSE(first.message);
    EXPECT_EQ(first.appended, "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(second.appended, first.appended);
}

TEST_F(VirusScanTest, EmptyReportAppendsNothingAndSaysNothing) {
    WriteBytes(m_locations.reportPath, "");
    const auto read = m_scan.ReadReport();
    EXPECT_FALSE(read.message);
    EXPECT_TRUE(read.appended.empty());
}

TEST_F(VirusScanTest, ReportIsReadInTheAnsiCodePage) {
    WriteBytes(m_locations.reportPath, "caf\xE9\n");
    EXPECT_EQ(m_scan.ReadReport().appended, "caf\xC3\xA9\r\n");
}

TEST_F(VirusScanTest, FolderInPlaceOfTheReportIsRefused) {
    std::filesystem::create_directory(m_locations.reportPath);
    const auto read = m_scan.ReadReport();
    ASSERT_TRUE(read.message);
    EXPECT_NE(read.message->text.find("cannot be read"), std::string::npos);
}

#ifndef _WIN32
TEST_F(VirusScanTest, PipeInPlaceOfTheReportIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(m_locations.reportPath.c_str(), 0600), 0);
    const auto read = m_scan.ReadReport(); // would hang here if the pipe were opened
    ASSERT_TRUE(read.message);
    EXPECT_NE(read.message->text.find("not a regular file"), std::string::npos);
}

TEST_F(VirusScanTest, StartRunsTheScannerInTheReportFolderWithTheFixedCommandLine) {
    WriteBytes(m_locations.reportPath, "report of the last scan\n");
    PlaceScanner("#!/bin/sh\nprintf '%s\\n' \"$*\" \"$(pwd)\" > args.part\n"
                 "mv args.part args\nexec sleep 30\n");
    const auto now = std::chrono::system_clock::now();
    const auto start = m_scan.Start(now);
    ASSERT_TRUE(start.started);
    EXPECT_FALSE(start.message);
    EXPECT_EQ(start.lastScanText,
              m_platform.shell->ShortDateText(now) + "-" + m_platform.shell->TimeText(now));
    EXPECT_FALSE(PathExists(m_locations.reportPath)) << "an old report is never shown";
    ASSERT_NE(start.pid, 0u);
    EXPECT_TRUE(m_scan.IsRunning(start.pid));

    const std::string args = m_reports / "args";
    for (int i = 0; i < 300 && !PathExists(args); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadBytes(args), "--memory -k --log=clamreport.txt\n" +
                                   std::filesystem::canonical(m_reports.path()).string() + "\n");

    ASSERT_TRUE(m_platform.processes->KillProcess(start.pid));
    for (int i = 0; i < 300 && m_scan.IsRunning(start.pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(m_scan.IsRunning(start.pid));
}
#endif

TEST_F(VirusScanTest, ReportPastTheSizeLimitIsNotRead) {
    WriteBytes(m_locations.reportPath, std::string(2048, 'x'));
    auto capped = ReadReportFile(*m_platform.files, m_locations.reportPath, 1024);
    EXPECT_FALSE(capped);
    auto whole = ReadReportFile(*m_platform.files, m_locations.reportPath, 2048);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole.value().size(), 2048u);
}

} // namespace
} // namespace quorvel::scan
