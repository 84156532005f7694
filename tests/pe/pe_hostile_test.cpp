// Files a user or an attacker can point the analyser at: cut short while it reads, too
// large, or no file at all.
#include "PeBuilder.h"
#include "PeTestSupport.h"
#include "pe/PeAnalyzer.h"
#include "platform/Platform.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quorvel::pe::test {
namespace {

class HostilePeFiles : public testing::Test {
protected:
    PeAnalysis Analyze(const std::filesystem::path& path) {
        return AnalyzePeFile(*m_platform.files, path.string());
    }

    void ExpectUnableToOpen(const std::filesystem::path& path) {
        const PeAnalysis a = Analyze(path);
        EXPECT_EQ(a.outcome, PeOutcome::Unopened) << path;
        EXPECT_EQ(a.message, "Unable to open '" + path.string() + "'");
        EXPECT_EQ(a.status, "Unable to Open File -> " + path.string());
    }

    platform::Platform m_platform = platform::CreateNativePlatform();
    TempFolder m_folder;
};

// Another process keeps cutting the file short and writing it again while it is analysed.
// Before, the analyser mapped the file and died of SIGBUS on the first page past the new end.
TEST_F(HostilePeFiles, FileCutShortWhileItIsReadGivesACleanResult) {
    const PeBuilder pe = PeSharingOneThunkTable(150, 20);
    const auto path = m_folder / "shrinking.exe";
    WriteBytes(path, pe.bytes());
    std::atomic<bool> stop{false};
    std::thread cutter([&] {
        const auto* data = reinterpret_cast<const char*>(pe.bytes().data());
        while (!stop) {
            std::filesystem::resize_file(path, 0x200);
            std::ofstream(path, std::ios::binary | std::ios::trunc)
                .write(data, static_cast<std::streamsize>(pe.size()));
        }
    });
    for (int i = 0; i < 200; ++i) {
        const PeAnalysis a = Analyze(path);
        EXPECT_NE(a.outcome, PeOutcome::Unopened) << "a file cut short is still a file";
    }
    stop = true;
    cutter.join();
}

TEST_F(HostilePeFiles, FileOverTheSizeCapIsNotRead) {
    const auto path = m_folder / "huge.exe";
    WriteBytes(path, CraftedPe().bytes());
    std::filesystem::resize_file(path, platform::kPeFileLimit); // sparse: no disk used
    EXPECT_EQ(Analyze(path).outcome, PeOutcome::Complete) << "at the cap it is read";
    std::filesystem::resize_file(path, platform::kPeFileLimit + 1);
    ExpectUnableToOpen(path);
}

#ifndef _WIN32
// Before, opening the FIFO waited for a writer forever.
TEST_F(HostilePeFiles, FifoAndDevicesAreUnableToOpen) {
    const auto fifo = m_folder / "pipe.exe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExpectUnableToOpen(fifo);
    const auto zero = m_folder / "zero.exe";
    std::filesystem::create_symlink("/dev/zero", zero);
    ExpectUnableToOpen(zero);
}
#endif

} // namespace
} // namespace quorvel::pe::test
